#include "dialing/Journal.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <optional>

#include <QTemporaryDir>

#include "platform/Cp1251.h"
#include "platform/Error.h"
#include "support/FileContents.h"

namespace {

std::string errorOf(const std::string& path, std::string_view record) {
    try {
        append_journal_record(path, record);
    } catch (const platform::Error& e) {
        return e.what();
    }
    return {};
}

TEST(JournalRecord, JoinsTheFieldsWithTheLabelsInWindows1251) {
    EXPECT_EQ(platform::fromCp1251(kJournalNumberLabel), QStringLiteral(" Номер: "));
    EXPECT_EQ(platform::fromCp1251(kJournalSubscriberLabel), QStringLiteral(" Абонент: "));
    EXPECT_EQ(platform::fromCp1251(kJournalTimeLabel), QStringLiteral(" Время "));
    EXPECT_EQ(platform::fromCp1251(kJournalDurationLabel), QStringLiteral(" Длит.: "));
    const std::string number(kJournalNumberLabel), subscriber(kJournalSubscriberLabel),
        time(kJournalTimeLabel), duration(kJournalDurationLabel);
    EXPECT_EQ(journal_record("07.12.26", "123", "\xC8\xE2\xE0\xED", "23:59:30", "100:00"),
              "07.12.26" + number + "123" + subscriber + "\xC8\xE2\xE0\xED" + time + "23:59:30" +
                  duration + "100:00\r\n");
    EXPECT_EQ(journal_record("d", "", "", "t", "00:00"),
              "d" + number + subscriber + time + "t" + duration + "00:00\r\n");
}

TEST(JournalFile, CreatesOnceThenAppendsAndReportsWhatCannotBeWritten) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat.jur").toStdString();
    append_journal_record(path, "one\r\n");
    append_journal_record(path, "two\r\n");
    EXPECT_EQ(file_contents(path), "one\r\ntwo\r\n");

    const std::string missing_dir = dir.filePath("gone/zvonmat.jur").toStdString();
    EXPECT_EQ(errorOf(missing_dir, "x\r\n"),
              "Cannot write to the journal " + missing_dir + ": No such file or directory");
    EXPECT_EQ(errorOf("/dev/full", "x\r\n"),
              "Cannot write to the journal /dev/full: No space left on device");
    const std::string fifo = dir.filePath("fifo.jur").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(errorOf(fifo, "x\r\n"),
              "Cannot write to the journal " + fifo + ": No such device or address");
    EXPECT_EQ(file_contents(path), "one\r\ntwo\r\n");
}

// Runs `body` with LC_TIME set to `locale` and the clock's zone set to UTC, then puts both
// back. Returns false, running nothing, when the locale is not installed.
template <typename Body>
bool withTimeLocale(const char* locale, Body body) {
    const std::string previous_locale = std::setlocale(LC_TIME, nullptr);
    if (!std::setlocale(LC_TIME, locale)) {
        return false;
    }
    const char* zone = std::getenv("TZ");
    const std::optional<std::string> previous_zone =
        zone ? std::optional<std::string>(zone) : std::nullopt;
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    body();
    if (previous_zone) {
        ::setenv("TZ", previous_zone->c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
    std::setlocale(LC_TIME, previous_locale.c_str());
    return true;
}

// 8 December 2026, 07:15:03 UTC.
constexpr std::time_t kMorning = 1796714103;

TEST(JournalTimes, AreTheRussianShortDateAndLongTime) {
    const bool ran = withTimeLocale("ru_RU.UTF-8", [] {
        EXPECT_EQ(short_date_text(kMorning), "08.12.2026");
        EXPECT_EQ(long_time_text(kMorning), "07:15:03");
        EXPECT_EQ(
            journal_record(short_date_text(kMorning), "123", "", long_time_text(kMorning), "00:05")
                .substr(0, 10),
            "08.12.2026");
    });
    if (!ran) {
        GTEST_SKIP() << "the ru_RU.UTF-8 locale is not installed (scripts/deps generates it)";
    }
}

TEST(JournalTimes, FollowTheLocaleOfTheUser) {
    const bool ran = withTimeLocale("C", [] {
        EXPECT_EQ(short_date_text(kMorning), "12/08/26");
        EXPECT_EQ(long_time_text(kMorning), "07:15:03");
    });
    ASSERT_TRUE(ran);
}

}  // namespace
