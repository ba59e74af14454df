#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "viewer/JournalFollower.h"

// The journal as a table, newest call first: date, number, subscriber, time, duration, decoded
// from Windows-1251. A line that is not a record is kept whole in the first column, never
// dropped. A filter shows only the calls whose number or subscriber holds its text (a damaged
// line: whose text holds it); the totals count what is shown. No widgets: the window shows it.
class JournalModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Date, Number, Subscriber, Time, Duration, ColumnCount };

    struct Totals {
        int calls = 0;
        std::int64_t seconds = 0;
        int damaged = 0;  // lines shown that are not records
    };

    explicit JournalModel(QObject* parent = nullptr);

    // Takes in what the follower has read.
    void apply(const JournalFollower::Update& update);

    // Shows only the rows that match `text` (case does not matter); empty shows everything.
    void setFilter(const QString& text);
    const QString& filter() const { return filter_; }

    Totals totals() const { return totals_; }
    // The rows, as shown, that hold a damaged line.
    std::vector<int> damagedRows() const;
    bool isDamaged(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    struct Entry {
        bool damaged = false;
        std::array<QString, ColumnCount> cells;  // a damaged line: the whole of it in Date
        std::int64_t seconds = 0;
    };

    static Entry entryOf(const JournalFollower::Line& line);
    bool matches(const Entry& entry) const;
    const Entry& shownEntry(int row) const;
    void count(const Entry& entry, int sign);
    void removeLast();
    void append(const std::vector<JournalFollower::Line>& lines);
    // Picks the rows shown from all entries, and their totals, afresh (inside a model reset).
    void selectShown();

    std::vector<Entry> entries_;  // in the file's order
    std::vector<std::size_t>
        shown_;  // indices into entries_ of the rows shown, in the file's order
    QString filter_;
    Totals totals_;
};

// A total duration as hours, minutes and seconds: "0:00:00", "1:40:00", "123:05:09".
QString totalDurationText(std::int64_t seconds);
