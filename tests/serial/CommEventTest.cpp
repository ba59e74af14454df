#include <gtest/gtest.h>

#include <cerrno>

#include "serial/internal/CommEvent.h"
#include "serial/internal/DebugLog.h"
#include "serial/support/LogCapture.h"

using namespace serial;

namespace {

struct TextRow {
    const char* name;
    std::uint32_t flags;
    const char* text;
};

class CommEventTextTest : public testing::TestWithParam<TextRow> {};

TEST_P(CommEventTextTest, NamesTheFlagsInOrder) {
    EXPECT_EQ(CommEventText(GetParam().flags), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Flags, CommEventTextTest,
    testing::Values(
        TextRow{"none", 0, "Comm Event: NULL Error, EvtMask = 0"},
        TextRow{"frame_and_overrun", 0x000A, "Comm Event: CE_FRAME and CE_OVERRUN, EvtMask = 10"},
        TextRow{"input_overflow_is_unknown", 0x0001,
                "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 1"},
        TextRow{"parity", 0x0004, "Comm Event: CE_RXPARITY, EvtMask = 4"},
        TextRow{"all_three_named", 0x000E,
                "Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY, EvtMask = 14"},
        TextRow{"break_is_unknown", 0x0010, "Comm Event: EV_ERR Unknown EvtMask, EvtMask = 16"},
        TextRow{"break_after_the_named", 0x0018,
                "Comm Event: CE_FRAME and EV_ERR Unknown EvtMask, EvtMask = 24"},
        TextRow{"every_bit_prints_signed", 0xFFFFFFFF,
                "Comm Event: CE_FRAME and CE_OVERRUN and CE_RXPARITY and EV_ERR Unknown EvtMask, "
                "EvtMask = -1"}),
    [](const auto& info) { return std::string(info.param.name); });

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
