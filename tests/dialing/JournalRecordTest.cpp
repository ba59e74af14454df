#include "dialing/JournalRecord.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "dialing/Journal.h"

namespace {

using namespace std::string_literals;

// Windows-1251: «Иван Петров».
const std::string kIvanPetrov = "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2";
const std::string kNumber(kJournalNumberLabel), kSubscriber(kJournalSubscriberLabel),
    kTime(kJournalTimeLabel), kDuration(kJournalDurationLabel);

struct Fields {
    std::string date, number, subscriber, time, duration;
    std::int64_t seconds;
};

struct RecordRow {
    const char* name;
    Fields fields;  // written with the dialler's own journal_record
};

class WrittenRecords : public ::testing::TestWithParam<RecordRow> {};

TEST_P(WrittenRecords, ReadBackAsWritten) {
    const Fields& f = GetParam().fields;
    std::string line = journal_record(f.date, f.number, f.subscriber, f.time, f.duration);
    ASSERT_EQ(line.substr(line.size() - 2), "\r\n");
    line.resize(line.size() - 2);
    const auto record = parse_journal_line(line);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->date, f.date);
    EXPECT_EQ(record->number, f.number);
    EXPECT_EQ(record->subscriber, f.subscriber);
    EXPECT_EQ(record->time, f.time);
    EXPECT_EQ(record->duration, f.duration);
    EXPECT_EQ(record->seconds, f.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WrittenRecords,
    ::testing::Values(
        RecordRow{"Russian", {"08.12.2026", "5551234", kIvanPetrov, "07:15:03", "01:05", 65}},
        RecordRow{"EmptyFields", {"08.12.2026", "", "", "07:15:03", "00:00", 0}},
        RecordRow{"HundredMinutes", {"12/08/26", "9w9w123", "", "23:59:30", "100:00", 6000}},
        RecordRow{"ThousandsOfMinutes", {"d", "1", "s", "t", "12345:59", 740759}},
        RecordRow{"TimeWithBlanks", {"12/08/26", "1", "a b", "07:15:03 PM", "00:07", 7}},
        RecordRow{"SubscriberHoldsTheTimeAndDurationLabels",
                  {"d", "1", "x" + kTime + "y" + kDuration + "05:00", "t", "00:01", 1}},
        RecordRow{"SubscriberHoldsTheNumberLabel", {"d", "1", kNumber + "2", "t", "00:02", 2}},
        RecordRow{"EmptyDateAndTime", {"", "1", "s", "", "00:03", 3}},
        RecordRow{"TabInTheSubscriber", {"d", "1", "a\tb", "t", "00:04", 4}},
        RecordRow{"ControlCharacters", {"d\0"s, "1\x1b", "a\x01b\x7f", "t", "00:05", 5}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DamagedRow {
    const char* name;
    std::string line;
};

class DamagedLines : public ::testing::TestWithParam<DamagedRow> {};

TEST_P(DamagedLines, AreNotRecords) {
    EXPECT_FALSE(parse_journal_line(GetParam().line));
}

std::string record(std::string_view duration) {
    std::string line = journal_record("d", "1", "s", "t", duration);
    return line.substr(0, line.size() - 2);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedLines,
    ::testing::Values(
        DamagedRow{"Empty", ""}, DamagedRow{"Text", "garbage"},
        DamagedRow{"Utf8Labels", "08.12.2026 Номер: 1 Абонент: 2 Время 07:15:03 Длит.: 00:05"},
        DamagedRow{"NoDurationLabel", record("00:05").substr(0, record("00:05").size() - 13)},
        DamagedRow{"CutInTheDuration", record("00:05").substr(0, record("00:05").size() - 1)},
        DamagedRow{"SecondsOver59", record("00:60")},
        DamagedRow{"OneDigitOfSeconds", record("00:5")}, DamagedRow{"NoMinutes", record(":05")},
        DamagedRow{"Letters", record("ab:cd")},
        DamagedRow{"TooManyMinuteDigits", record("1234567890:00")},
        DamagedRow{"BlankAfterTheDuration", record("00:05 ")},
        DamagedRow{"CarriageReturnInside", record("00:05") + "\r"},
        DamagedRow{"NoSubscriberLabel", "d" + kNumber + "1" + kTime + "t" + kDuration + "00:05"},
        DamagedRow{"LabelsOutOfOrder",
                   "d" + kDuration + "00:05" + kNumber + "1" + kSubscriber + "s" + kTime + "t"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
