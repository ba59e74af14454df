#include "viewer/JournalModel.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <string>
#include <vector>

#include "dialing/Journal.h"

namespace {

using Line = JournalFollower::Line;
using Update = JournalFollower::Update;

Line call(const std::string& number, const std::string& subscriber, const std::string& duration) {
    std::string line = journal_record("08.12.2026", number, subscriber, "07:15:03", duration);
    line.resize(line.size() - 2);
    return {line, false};
}

Update appended(std::vector<Line> lines, bool last_open = false, bool replace_last = false) {
    Update update;
    update.lines = std::move(lines);
    update.last_open = last_open;
    update.replace_last = replace_last;
    return update;
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

// Windows-1251 «Иван», «Пётр» (ё is 0xB8).
const std::string kIvan = "\xC8\xE2\xE0\xED";
const std::string kPetr = "\xCF\xB8\xF2\xF0";

TEST(JournalModel, NewestFirstDecodedWithDamagedLinesKeptWhole) {
    JournalModel model;
    model.apply(appended({call("111", kIvan, "01:05"),
                          {"garbage \xCF\xF0\xE8", false},
                          call("", "", "100:00"),
                          {std::string("a\0b", 3), false},
                          {std::string(10, 'x'), true}}));
    EXPECT_EQ(rows(model), (QStringList{
                               u"xxxxxxxxxx…||||"_qs,
                               u"a\uFFFDb||||"_qs,
                               u"08.12.2026|||07:15:03|100:00"_qs,
                               u"garbage При||||"_qs,
                               u"08.12.2026|111|Иван|07:15:03|01:05"_qs,
                           }));
    EXPECT_EQ(model.damagedRows(), (std::vector<int>{0, 1, 3}));
    EXPECT_EQ(model.totals().calls, 2);
    EXPECT_EQ(model.totals().seconds, 6065);
    EXPECT_EQ(model.totals().damaged, 3);
    EXPECT_EQ(model.data(model.index(3, 0), Qt::ToolTipRole).toString(), u"garbage При"_qs);
    EXPECT_EQ(model.headerData(JournalModel::Duration, Qt::Horizontal).toString(),
              u"Длительность"_qs);
}

TEST(JournalModel, AppendedCallsComeInAtTheTop) {
    JournalModel model;
    model.apply(appended({call("111", kIvan, "00:10")}));
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);

    model.apply(appended({call("222", kPetr, "00:20")}));
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 0);

    // An open line, then the same line longer and ended: it is replaced, not repeated.
    model.apply(
        appended({{"08.12.2026" + std::string(kJournalNumberLabel.substr(0, 3)), false}}, true));
    model.apply(appended({call("333", "", "00:30")}, false, true));
    EXPECT_EQ(removed.size(), 1);
    EXPECT_EQ(rows(model), (QStringList{u"08.12.2026|333||07:15:03|00:30"_qs,
                                        u"08.12.2026|222|Пётр|07:15:03|00:20"_qs,
                                        u"08.12.2026|111|Иван|07:15:03|00:10"_qs}));
    EXPECT_EQ(model.totals().calls, 3);
    EXPECT_EQ(model.totals().seconds, 60);
    EXPECT_EQ(model.totals().damaged, 0);

    Update restart = appended({call("444", "", "00:01")});
    restart.restart = true;
    model.apply(restart);
    EXPECT_EQ(rows(model), QStringList{u"08.12.2026|444||07:15:03|00:01"_qs});
    EXPECT_EQ(model.totals().seconds, 1);
}

TEST(JournalModel, FilterByNumberOrSubscriberWithTotalsOfWhatIsShown) {
    JournalModel model;
    model.apply(appended({call("5551234", kIvan, "01:00"),
                          call("5559999", kPetr, "02:00"),
                          call("777", "\xE8\xE2\xE0\xED\xEE\xE2", "04:00"),
                          {"555 damaged", false}}));
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
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.filter.toStdString());
        model.setFilter(row.filter);
        EXPECT_EQ(model.totals().calls, row.calls);
        EXPECT_EQ(model.totals().seconds, row.seconds);
        EXPECT_EQ(model.totals().damaged, row.damaged);
        QStringList numbers;
        for (int r = 0; r < model.rowCount(); ++r) {
            numbers << model.data(model.index(r, JournalModel::Number)).toString();
        }
        EXPECT_EQ(numbers, row.numbers);
    }

    // Under a filter, only matching calls come in.
    model.setFilter(u"555"_qs);
    model.apply(appended({call("5550000", "", "00:05"), call("888", "", "00:07")}));
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.totals().seconds, 185);
    model.setFilter(u""_qs);
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.totals().seconds, 432);
}

}  // namespace
