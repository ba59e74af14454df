#include "viewer/JournalWindow.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <string>

#include "dialing/Journal.h"
#include "platform/Cp1251.h"
#include "support/FileContents.h"
#include "support/JournalWindowDriver.h"

namespace {

// A journal written by the dialler's own writer: today's date and time as the locale writes
// them, Cyrillic, empty fields, a conversation of 100 minutes, and one damaged line.
class JournalWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::time_t now = std::time(nullptr);
        date_ = short_date_text(now);
        time_ = long_time_text(now);
        append("5551234", "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2", "01:05");  // Иван Петров
        append("", "", "00:00");
        append_journal_record(path_.toStdString(),
                              "\xCF\xF0\xEE\xE2\xEE\xE4 \xEE\xE1\xEE\xF0\xE2"
                              "\xE0\xED\r\n");            // Провод оборван
        append("9w9w007", "\xCC\xCA\xC0\xD2", "100:00");  // МКАТ
    }
    void append(const std::string& number, const std::string& subscriber,
                const std::string& duration) {
        append_journal_record(path_.toStdString(),
                              journal_record(date_, number, subscriber, time_, duration));
    }

    QTemporaryDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("zvonmat\u0438\u0432\u0430\u043D.jur"));
    std::string date_, time_;
};

TEST_F(JournalWindowTest, ShowsTheJournalAndFollowsIt) {
    const std::string written = file_contents(path_.toStdString());
    JournalWindow window(path_);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Журнал — zvonmatиван.jur"));

    JournalWindowDriver viewer(window);
    ASSERT_EQ(viewer.rows(), 4);
    EXPECT_EQ(viewer.cell(0, 0), platform::fromCp1251(date_));
    EXPECT_EQ(viewer.cell(0, 1), u"9w9w007"_qs);
    EXPECT_EQ(viewer.cell(0, 2), u"МКАТ"_qs);
    EXPECT_EQ(viewer.cell(0, 4), u"100:00"_qs);
    EXPECT_EQ(viewer.cell(1, 0), u"Провод оборван"_qs);
    EXPECT_EQ(viewer.span(1), JournalModel::ColumnCount);  // whole, across the row
    EXPECT_EQ(viewer.span(0), 1);
    EXPECT_EQ(viewer.cell(2, 1) + viewer.cell(2, 2), u""_qs);
    EXPECT_EQ(viewer.cell(3, 2), u"Иван Петров"_qs);
    EXPECT_EQ(viewer.totals(),
              u"Звонков: 3, общая длительность: 1:41:05; нераспознанных строк: 1"_qs);

    // The dialler appends a call while the viewer is open: it comes in at the top.
    append("5551234", "\xC8\xE2\xE0\xED", "00:30");
    QTRY_COMPARE_WITH_TIMEOUT(viewer.rows(), 5, 3 * JournalWindow::kPollMs);
    EXPECT_EQ(viewer.cell(0, 2), u"Иван"_qs);
    EXPECT_EQ(viewer.span(2), JournalModel::ColumnCount);  // the span moved down
    EXPECT_EQ(viewer.span(1), 1);

    viewer.filter(u"иван"_qs);
    EXPECT_EQ(viewer.rows(), 2);
    EXPECT_EQ(viewer.totals(), u"Звонков: 2, общая длительность: 0:01:35"_qs);
    viewer.filter({});
    EXPECT_EQ(viewer.rows(), 5);

    const std::string expected =
        written + journal_record(date_, "5551234", "\xC8\xE2\xE0\xED", time_, "00:30");
    EXPECT_EQ(file_contents(path_.toStdString()), expected);  // read, never written
}

TEST_F(JournalWindowTest, AJournalThatDoesNotExistYetIsFollowedOnceItAppears) {
    const QString later = dir_.filePath(QStringLiteral("later.jur"));
    JournalWindow window(later);
    window.show();
    JournalWindowDriver viewer(window);
    EXPECT_EQ(viewer.rows(), 0);
    EXPECT_EQ(viewer.state(), u"Файла ещё нет"_qs);
    EXPECT_EQ(viewer.totals(), u"Звонков: 0, общая длительность: 0:00:00"_qs);
    append_journal_record(later.toStdString(), journal_record("d", "1", "", "t", "00:09"));
    QTRY_COMPARE_WITH_TIMEOUT(viewer.rows(), 1, 3 * JournalWindow::kPollMs);
    EXPECT_EQ(viewer.state(), u""_qs);
}

// The table holds a page of rows, whatever the journal's length; the keys move it.
TEST_F(JournalWindowTest, PagesThroughALongJournal) {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes += journal_record(date_, std::to_string(i), "", time_, "00:01");
    }
    write_file(path_.toStdString(), bytes);
    JournalWindow window(path_);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QAbstractItemModel& page = *window.table()->model();
    EXPECT_EQ(JournalWindowDriver(window).rows(), 1000);
    EXPECT_LT(page.rowCount(), 100);
    const auto current = [&] {
        return page.data(page.index(window.table()->currentIndex().row(), 1)).toString();
    };
    struct Row {
        Qt::Key key;
        QString number;
    } keys[] = {{Qt::Key_Down, u"999"_qs},
                {Qt::Key_End, u"0"_qs},
                {Qt::Key_Up, u"1"_qs},
                {Qt::Key_Home, u"999"_qs}};
    for (const Row& row : keys) {
        QTest::keyClick(window.table(), row.key);
        EXPECT_EQ(current(), row.number) << row.key;
    }
    QTest::keyClick(window.table(), Qt::Key_PageDown);
    EXPECT_LT(current().toInt(), 999 - page.rowCount() / 2);  // a screen further
    QTest::keyClick(window.table(), Qt::Key_End);
    EXPECT_GT(window.firstRow(), 900);
    EXPECT_EQ(current(), u"0"_qs);
}

// The picture in the README: ZVONMAT_SCREENSHOT=docs/journal-viewer.png build/bin/viewer_tests
// --gtest_filter='*Screenshot*' saves it; the test itself checks that the window paints.
TEST_F(JournalWindowTest, Screenshot) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("zvonmat.jur"));
    const struct {
        const char *date, *number, *subscriber, *time, *duration;
    } calls[] = {
        {"07.12.2026", "4951234567", "ООО Ромашка", "09:12:40", "03:17"},
        {"07.12.2026", "4959876543", "Иван Петрович", "10:05:02", "00:48"},
        {"07.12.2026", "4951234567", "ООО Ромашка", "14:31:15", "12:05"},
        {"08.12.2026", "89161112233", "", "08:55:09", "00:00"},
        {"08.12.2026", "4957654321", "Склад № 2", "11:20:33", "100:00"},
    };
    for (const auto& c : calls) {
        append_journal_record(
            path.toStdString(),
            journal_record(c.date, c.number, platform::toCp1251(QString::fromUtf8(c.subscriber)),
                           c.time, c.duration));
        if (c.duration == std::string_view("00:00")) {
            // A record cut short, as a full disk once left it.
            append_journal_record(path.toStdString(),
                                  "08.12.2026" + std::string(kJournalNumberLabel) + "4957\r\n");
        }
    }
    JournalWindow window(path);
    window.resize(640, 280);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage picture = window.grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), window.size() * picture.devicePixelRatio());
    const QString out = qEnvironmentVariable("ZVONMAT_SCREENSHOT");
    if (!out.isEmpty()) {
        ASSERT_TRUE(picture.save(out, "PNG")) << out.toStdString();
    }
}

// The command line, from the built program.
struct Outcome {
    int status;
    QString out, err;
};

Outcome runJournal(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZVONMAT_JOURNAL), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {-1, {}, {}};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(JournalCommandLine, HelpAndMistakes) {
    const Outcome help = runJournal({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(u"Использование: zvonmat-journal ФАЙЛ"_qs))
        << help.out.toStdString();
    struct Row {
        QStringList arguments;
        QString message;
    } rows[] = {
        {{}, u"не указан файл журнала"_qs},
        {{u"-platform"_qs, u"offscreen"_qs}, u"не указан файл журнала"_qs},
        {{u"a.jur"_qs, u"b.jur"_qs}, u"укажите один файл"_qs},
        {{u"--verbose"_qs, u"a.jur"_qs}, u"неизвестный ключ --verbose"_qs},
        {{u"a.jur"_qs, u"--csv"_qs}, u"после --csv укажите, куда писать"_qs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const Outcome result = runJournal(row.arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.err.contains(u"zvonmat-journal: "_qs + row.message + u"\n"_qs))
            << result.err.toStdString();
    }
}

// The export writes what the window shows at first, for a spreadsheet; never the journal.
TEST(JournalCommandLine, ExportsCsv) {
    QTemporaryDir dir;
    const QString journal = dir.filePath(u"zvonmat.jur"_qs);
    const std::string subscriber = platform::toCp1251(u"ООО \"Ромашка\", склад"_qs);
    write_file(journal.toStdString(),
               journal_record("07.12.2026", "4951234567", subscriber, "09:12:40", "03:17") +
                   "08.12.2026 cut short\r\n" +
                   journal_record("08.12.2026", "+7 495", " ", "10:05:02", "100:00"));
    const QString csv = dir.filePath(u"out.csv"_qs);
    const Outcome result = runJournal({u"--csv"_qs, csv, journal});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(file_contents(csv.toStdString()),
              "\xEF\xBB\xBF"
              "Дата,Номер,Абонент,Время,Длительность,Секунды\r\n"
              "08.12.2026,+7 495,\" \",10:05:02,100:00,6000\r\n"
              "08.12.2026 cut short,,,,,\r\n"
              "07.12.2026,4951234567,\"ООО \"\"Ромашка\"\", склад\",09:12:40,03:17,197\r\n");

    const std::string before = file_contents(journal.toStdString());
    const Outcome onto_journal = runJournal({u"--csv"_qs, journal, journal});
    EXPECT_EQ(onto_journal.status, 1);
    EXPECT_EQ(file_contents(journal.toStdString()), before);
}

}  // namespace
