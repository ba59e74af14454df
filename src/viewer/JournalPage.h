#pragma once

#include <QAbstractTableModel>

#include "viewer/JournalModel.h"

// The rows of the journal the screen holds, from `first()` on: what the window's table shows. A
// table over every row keeps a few bytes for each in its header, which a journal of millions of
// lines makes hundreds of megabytes; over a page, it keeps as many as fit on the screen, and the
// window scrolls the page through the journal.
class JournalPage : public QAbstractTableModel {
  public:
    explicit JournalPage(JournalModel& journal, QObject* parent = nullptr);

    int first() const { return first_; }
    // Shows the rows from `first` on, as many as `rows`, as the journal holds them now.
    void show(int first, int rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  private:
    JournalModel& journal_;
    int first_ = 0;
    int shown_ = 0;  // the rows the table has been told of
};
