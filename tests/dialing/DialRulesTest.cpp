#include "dialing/DialRules.h"

#include <gtest/gtest.h>

namespace {

TEST(CifirText, ShowsWholeMinutesAndTwoDigitSeconds) {
    const struct {
        int seconds;
        const char* text;
    } kRows[] = {
        {0, "00:00"},    {7, "00:07"},     {65, "01:05"},    {3599, "59:59"},
        {5999, "99:59"}, {6000, "100:00"}, {7265, "121:05"}, {-5, "00:00"},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(cifir_text(row.seconds), row.text) << row.seconds;
    }
}

TEST(AttemptsText, CountsTheEndedWaitingPeriods) {
    EXPECT_EQ(attempts_text(5, 5), "5/0");
    EXPECT_EQ(attempts_text(5, 2), "5/3");
    EXPECT_EQ(attempts_text(5, 0), "5/5");
    EXPECT_EQ(attempts_text(255, 0), "255/255");
}

TEST(ModemLines, JoinCommandPrefixAndNumberWithOneCarriageReturn) {
    EXPECT_EQ(init_line("ATZ"), "ATZ\r");
    EXPECT_EQ(init_line(""), "\r");
    EXPECT_EQ(dial_line("ATDP", "", "123"), "ATDP123\r");
    EXPECT_EQ(dial_line("ATDT", "9", "123"), "ATDT9123\r");
    EXPECT_EQ(dial_line("ATDP", "9w9w", "12-34 5"), "ATDP9w9w12-34 5\r");
}

TEST(CountdownReply, MatchesExactTextsBeforeTheFirstZeroByte) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view chunk;
        bool starts;
    } kRows[] = {
        {"\r\nBUSY\r\n"sv, true},
        {"\r\nNO DIALTONE\r\n"sv, true},
        {"xxBUSYxxNO DIALTONE"sv, true},
        {"\r\nbusy\r\n"sv, false},
        {"BU"sv, false},
        {"SY"sv, false},
        {"\r\nCONNECT 2400\r\n"sv, false},
        {"OK\0BUSY"sv, false},
        {"BUSY\0"sv, true},
        {"NO DIAL TONE"sv, false},
        {"Comm Event: CE_FRAME, EvtMask = 8"sv, false},
        {""sv, false},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(is_countdown_reply(row.chunk), row.starts) << row.chunk;
    }
}

}  // namespace
