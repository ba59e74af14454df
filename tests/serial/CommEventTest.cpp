#include <gtest/gtest.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "serial/internal/CommEvent.h"
#include "serial/internal/DebugLog.h"
#include "serial/support/LogCapture.h"

using namespace serial;

namespace {

TEST(CommEventText, NamesTheFlagsInOrder) {
    const std::vector<std::pair<std::uint32_t, const char*>> rows = {
        {0, "Comm Event: NULL Error, EvtMask = 0"},
        {0x000A, "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10"},
        {0x0001, "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 1"},  // input overflow: unknown
        {0x0004, "Comm Event: CE_RXPARITY, EvtMask = 4"},
        {0x000E, "Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY, EvtMask = 14"},
        {0x0010, "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 16"},  // break: unknown
        {0x0018, "Comm Event: CE_FRAME and EV_ERR Unknown EvtMask, EvtMask = 24"},
        {0xFFFFFFFF,  // every bit, the mask printed signed
         "Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY and EV_ERR Unknown EvtMask, "
         "EvtMask = -1"},
    };
    for (const auto& [flags, text] : rows) {
        EXPECT_EQ(CommEventText(flags), text) << flags;
    }
}

TEST(LineErrorFlags, EachChangedCounterSetsItsFlag) {
    const LineErrorCounts before{5, 5, 5, 5};
    EXPECT_EQ(LineErrorFlags(before, before), 0u);
    EXPECT_EQ(LineErrorFlags(before, {6, 5, 5, 5}), CE_FRAME);
    EXPECT_EQ(LineErrorFlags(before, {5, 7, 5, 5}), CE_OVERRUN);
    EXPECT_EQ(LineErrorFlags(before, {5, 5, 9, 5}), CE_RXPARITY);
    EXPECT_EQ(LineErrorFlags(before, {5, 5, 5, 6}), CE_RXOVER);
    EXPECT_EQ(LineErrorFlags(before, {5, 5, 5, 5, 1}), CE_BREAK);
    EXPECT_EQ(LineErrorFlags(before, {6, 6, 5, 5}), CE_FRAME | CE_OVERRUN);
    // A counter that wrapped around has changed too.
    EXPECT_EQ(LineErrorFlags({0xFFFFFFFF, 0, 0, 0}, {0, 0, 0, 0}), CE_FRAME);
}

TEST(LogLastError, QuotesTheSystemsDescriptionAfterThePrefix) {
    LogCapture log;
    LogLastError(ENOENT, "Unable to CreateEvent: ");
    LogLastError(EIO, nullptr);
    LogLastError(99999, "LocalAlloc: ");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "Unable to CreateEvent: GetLastError returned: \"No such file or "
                               "directory\"",
                               "GetLastError returned: \"Input/output error\"",
                               "LocalAlloc: Out of memory",
                           }));
}

}  // namespace
