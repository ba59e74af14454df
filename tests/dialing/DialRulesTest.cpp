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

TEST(ModemResult, TakesTheLastResultCodeOnALineOfItsOwn) {
    using namespace std::string_view_literals;
    const struct {
        std::string_view chunk;
        std::string_view result;
    } kRows[] = {
        {"\r\nNO CARRIER\r\n"sv, "NO CARRIER"sv},
        {"ATDP123\r\r\nNO ANSWER\r\n"sv, "NO ANSWER"sv},
        {"\r\nERROR\r\n\r\nRING\r\n"sv, "RING"sv},
        {" CONNECT 2400/V42BIS \r"sv, "CONNECT 2400/V42BIS"sv},
        {"ERROR\0RING"sv, "ERROR"sv},
        {"\r\nOK\r\n"sv, ""sv},
        {"NO CARRIERS"sv, ""sv},
        {"CONNECT 2400\xE9"sv, ""sv},
        {"CONNECT 115200/ARQ/V90/LAPM/V42BIS/MNP5/X"sv, ""sv},
        {"Comm Event: CE_FRAME, EvtMask = 8"sv, ""sv},
        {"NO CARRIER, ERROR"sv, ""sv},
    };
    for (const auto& row : kRows) {
        EXPECT_EQ(modem_result(row.chunk), row.result) << row.chunk;
    }
}

}  // namespace
