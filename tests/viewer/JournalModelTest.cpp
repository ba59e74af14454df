#include "viewer/JournalModel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <string>
#include <vector>

#include "dialing/Journal.h"
#include "support/FileContents.h"

namespace {

std::string call(const std::string& number, const std::string& subscriber,
                 const std::string& duration, const std::string& date = "08.12.2026",
                 const std::string& time = "07:15:03") {
    return journal_record(date, number, subscriber, time, duration);
}

// Each row as "date|number|subscriber|time|duration".
QStringList rows(const JournalModel& model) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column) {
            cells << model.data(model.index(row, column)).toString();
        }
        out << cells.join(u'|');
    }
    return out;
}

QStringList column(const JournalModel& model, int column) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row) {
        out << model.data(model.index(row, column)).toString();
    }
    return out;
}

// Windows-1251 «Иван», «Пётр» (ё is 0xB8).
const std::string kIvan = "\xC8\xE2\xE0\xED";
const std::string kPetr = "\xCF\xB8\xF2\xF0";

// A journal file and the model over it; every model runs both ways: a small file read on the
// main thread, and the same file read in the background as a large one is.
class JournalModelTest : public ::testing::TestWithParam<bool> {
  protected:
    void write(const std::string& bytes) { write_file(path_, bytes); }
    void append(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::app) << bytes;
    }
    // Reads what has changed and waits for the rows and totals to be counted.
    void refresh() {
        model_.refresh();
        settle();
    }
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!model_.busy(), 10000); }
    void SetUp() override { model_.setBackgroundFrom(GetParam() ? 0 : UINT64_MAX); }

    QTemporaryDir dir_;
    std::string path_ = dir_.filePath("zvonmat.jur").toStdString();
    JournalModel model_{path_};
};

TEST_P(JournalModelTest, NewestFirstDecodedWithDamagedLinesKeptWhole) {
    write(call("111", kIvan, "01:05") + "garbage \xCF\xF0\xE8\r\n" + call("", "", "100:00") +
          std::string("a\0b\r\n", 5) +
          call("222",
               "a\x01"
               "b\x7F",
               "00:07") +
          std::string(kJournalLineMax + 10, 'x'));
    refresh();
    EXPECT_EQ(rows(model_), (QStringList{
                                QString(kJournalLineMax, u'x') + u"…||||"_qs,
                                u"08.12.2026|222|a␁b␡|07:15:03|00:07"_qs,  // a record all the same
                                u"a␀b||||"_qs,
                                u"08.12.2026|||07:15:03|100:00"_qs,
                                u"garbage При||||"_qs,
                                u"08.12.2026|111|Иван|07:15:03|01:05"_qs,
                            }));
    std::vector<int> damaged;
    for (int row = 0; row < model_.rowCount(); ++row) {
        if (model_.isDamaged(row)) {
            damaged.push_back(row);
        }
    }
    EXPECT_EQ(damaged, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(model_.totals().calls, 3);
    EXPECT_EQ(model_.totals().seconds, 6072);
    EXPECT_EQ(model_.totals().damaged, 3);
    EXPECT_EQ(model_.data(model_.index(4, 0), Qt::ToolTipRole).toString(), u"garbage При"_qs);
    EXPECT_EQ(model_.headerData(JournalModel::Duration, Qt::Horizontal).toString(),
              u"Длительность"_qs);
}

TEST_P(JournalModelTest, AppendedCallsComeInAtTheTop) {
    write(call("111", kIvan, "00:10"));
    refresh();
    QSignalSpy inserted(&model_, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model_, &QAbstractItemModel::rowsRemoved);

    append(call("222", kPetr, "00:20"));
    refresh();
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 0);

    // An open line, then the same line longer and ended: it is replaced, not repeated.
    const std::string third = call("333", "", "00:30");
    append(third.substr(0, 13));
    refresh();
    append(third.substr(13));
    refresh();
    EXPECT_EQ(removed.size(), 1);
    EXPECT_EQ(rows(model_), (QStringList{u"08.12.2026|333||07:15:03|00:30"_qs,
                                         u"08.12.2026|222|Пётр|07:15:03|00:20"_qs,
                                         u"08.12.2026|111|Иван|07:15:03|00:10"_qs}));
    EXPECT_EQ(model_.totals().calls, 3);
    EXPECT_EQ(model_.totals().seconds, 60);
    EXPECT_EQ(model_.totals().damaged, 0);

    write(call("444", "", "00:01"));  // cut shorter: read again
    refresh();
    EXPECT_EQ(rows(model_), QStringList{u"08.12.2026|444||07:15:03|00:01"_qs});
    EXPECT_EQ(model_.totals().seconds, 1);
}

TEST_P(JournalModelTest, FilterByNumberOrSubscriberWithTotalsOfWhatIsShown) {
    write(call("5551234", kIvan, "01:00") + call("5559999", kPetr, "02:00") +
          call("777", "\xE8\xE2\xE0\xED\xEE\xE2", "04:00") + "555 damaged\r\n");
    refresh();
    struct Row {
        QString filter;
        int calls;
        std::int64_t seconds;
        int damaged;
        QStringList numbers;  // as shown, newest first
    };
    const Row table[] = {
        {u""_qs, 3, 420, 1, {u""_qs, u"777"_qs, u"5559999"_qs, u"5551234"_qs}},
        {u"555"_qs, 2, 180, 1, {u""_qs, u"5559999"_qs, u"5551234"_qs}},
        {u"1234"_qs, 1, 60, 0, {u"5551234"_qs}},
        {u"иван"_qs, 2, 300, 0, {u"777"_qs, u"5551234"_qs}},  // case does not matter
        {u"ПЁТР"_qs, 1, 120, 0, {u"5559999"_qs}},
        {u"07:15"_qs, 0, 0, 0, {}},  // the time is not searched
        {u"nothing"_qs, 0, 0, 0, {}},
        {u"ж中"_qs, 0, 0, 0, {}},  // not in Windows-1251: nowhere in the file
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.filter.toStdString());
        model_.setFilter(row.filter);
        settle();
        EXPECT_EQ(model_.totals().calls, row.calls);
        EXPECT_EQ(model_.totals().seconds, row.seconds);
        EXPECT_EQ(model_.totals().damaged, row.damaged);
        EXPECT_EQ(column(model_, JournalModel::Number), row.numbers);
    }

    // Under a filter, only matching calls come in.
    model_.setFilter(u"555"_qs);
    settle();
    append(call("5550000", "", "00:05") + call("888", "", "00:07"));
    refresh();
    EXPECT_EQ(model_.rowCount(), 4);
    EXPECT_EQ(model_.totals().seconds, 185);
    model_.setFilter(u""_qs);
    settle();
    EXPECT_EQ(model_.rowCount(), 6);
    EXPECT_EQ(model_.totals().seconds, 432);
}

TEST_P(JournalModelTest, SortsByAColumnAsDatesTimesAndDurations) {
    write(call("1", "\xC1\xEE\xF0\xE8\xF1", "100:00", "09.12.2026", "08:00:00") +  // Борис
          call("2", "\xE0\xED\xED\xE0", "09:59", "10.11.2026", "23:00:00") +       // анна
          "damaged\r\n" +
          call("3", "\xC0\xED\xED\xE0", "10:00", "09.12.2026", "07:59:59") +  // Анна
          call("4", "", "00:05", "2025-01-31", "12:00:00"));
    refresh();
    struct Row {
        int column;
        Qt::SortOrder order;
        QStringList numbers;
    };
    const Row table[] = {
        {JournalModel::Date, Qt::AscendingOrder, {u""_qs, u"4"_qs, u"2"_qs, u"3"_qs, u"1"_qs}},
        {JournalModel::Date, Qt::DescendingOrder, {u"1"_qs, u"3"_qs, u"2"_qs, u"4"_qs, u""_qs}},
        {JournalModel::Time, Qt::AscendingOrder, {u""_qs, u"3"_qs, u"1"_qs, u"4"_qs, u"2"_qs}},
        {JournalModel::Duration, Qt::AscendingOrder, {u""_qs, u"4"_qs, u"2"_qs, u"3"_qs, u"1"_qs}},
        {JournalModel::Subscriber,
         Qt::AscendingOrder,
         {u""_qs, u"4"_qs, u"2"_qs, u"3"_qs, u"1"_qs}},  // case aside, then the file's order
        {-1, Qt::AscendingOrder, {u"4"_qs, u"3"_qs, u""_qs, u"2"_qs, u"1"_qs}},  // as at first
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.column);
        model_.sort(row.column, row.order);
        settle();
        EXPECT_EQ(column(model_, JournalModel::Number), row.numbers);
    }

    // Sorted, a filtered and a newly appended call take their places too.
    model_.sort(JournalModel::Duration, Qt::DescendingOrder);
    model_.setFilter(u"анна"_qs);
    settle();
    append(call("5", "\xE0\xED\xED\xE0", "50:00"));
    refresh();
    EXPECT_EQ(column(model_, JournalModel::Number), (QStringList{u"5"_qs, u"3"_qs, u"2"_qs}));
    EXPECT_EQ(model_.totals().seconds, 3000 + 600 + 599);
}

INSTANTIATE_TEST_SUITE_P(Ways, JournalModelTest, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "Background" : "MainThread");
                         });

// The index holds one file offset for 64 lines: its memory does not grow as the rows do.
TEST(JournalModel, HoldsFarLessThanTheRows) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat.jur").toStdString();
    std::string bytes;
    for (int i = 0; i < 20000; ++i) {
        bytes += call(std::to_string(i), kIvan, "00:01");
    }
    write_file(path, bytes);
    JournalModel model(path);
    model.refresh();
    ASSERT_EQ(model.rowCount(), 20000);
    EXPECT_EQ(model.data(model.index(19999, JournalModel::Number)).toString(), u"0"_qs);
    EXPECT_LE(model.indexBytes(), 20000u / 4);
}

}  // namespace
