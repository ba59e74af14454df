#include "serial/internal/CommEvent.h"

namespace serial {

std::uint32_t LineErrorFlags(const LineErrorCounts& before, const LineErrorCounts& after) {
    std::uint32_t flags = 0;
    if (after.Frame != before.Frame) {
        flags |= CE_FRAME;
    }
    if (after.Overrun != before.Overrun) {
        flags |= CE_OVERRUN;
    }
    if (after.Parity != before.Parity) {
        flags |= CE_RXPARITY;
    }
    if (after.BufferOverrun != before.BufferOverrun) {
        flags |= CE_RXOVER;
    }
    if (after.Break != before.Break) {
        flags |= CE_BREAK;
    }
    return flags;
}

std::string CommEventText(std::uint32_t flags) {
    std::string list;
    auto add = [&list](const char* name) {
        if (!list.empty()) {
            list += " and ";
        }
        list += name;
    };
    if (flags == 0) {
        list = "NULL Error";
    }
    if (flags & CE_FRAME) {
        add("CE_FRAME");
    }
    if (flags & CE_OVERRUN) {
        add("CE_OVERRUN");
    }
    if (flags & CE_RXPARITY) {
        add("CE_RXPARITY");
    }
    if (flags & ~(CE_FRAME | CE_OVERRUN | CE_RXPARITY)) {
        add("EV_ERR Unknown EvtMask");
    }
    return "Comm Event: " + list +
           ", EvtMask = " + std::to_string(static_cast<std::int32_t>(flags));
}

}  // namespace serial
