#include "viewer/JournalPage.h"

#include <algorithm>

JournalPage::JournalPage(JournalModel& journal, QObject* parent)
    : QAbstractTableModel(parent), journal_(journal) {}

void JournalPage::show(int first, int rows) {
    first_ = std::max(first, 0);
    rows = std::clamp(journal_.rowCount() - first_, 0, std::max(rows, 1));
    if (rows != shown_) {
        beginResetModel();
        shown_ = rows;
        endResetModel();
    } else if (rows > 0) {
        emit dataChanged(index(0, 0), index(rows - 1, JournalModel::ColumnCount - 1));
    }
}

int JournalPage::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int JournalPage::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : JournalModel::ColumnCount;
}

QVariant JournalPage::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    return journal_.data(journal_.index(first_ + index.row(), index.column()), role);
}

QVariant JournalPage::headerData(int section, Qt::Orientation orientation, int role) const {
    return journal_.headerData(section, orientation, role);
}

void JournalPage::sort(int column, Qt::SortOrder order) {
    journal_.sort(column, order);
}
