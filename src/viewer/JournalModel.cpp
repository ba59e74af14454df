#include "viewer/JournalModel.h"

#include <QFont>

#include "dialing/JournalRecord.h"
#include "platform/Cp1251.h"

namespace {

// Decoded for the screen: a control character (a NUL in a damaged file, say) shows as a mark
// rather than nothing, and a tab as a blank.
QString shown(std::string_view bytes) {
    QString text = platform::fromCp1251(bytes);
    for (QChar& c : text) {
        if (c == u'\t') {
            c = u' ';
        } else if (c.unicode() < 0x20) {
            c = QChar::ReplacementCharacter;
        }
    }
    return text;
}

}  // namespace

JournalModel::JournalModel(QObject* parent) : QAbstractTableModel(parent) {}

JournalModel::Entry JournalModel::entryOf(const JournalFollower::Line& line) {
    Entry entry;
    const auto record = line.cut ? std::nullopt : parse_journal_line(line.bytes);
    if (!record) {
        entry.damaged = true;
        entry.cells[Date] = shown(line.bytes);
        if (line.cut) {
            entry.cells[Date] += u'…';
        }
        return entry;
    }
    entry.cells[Date] = shown(record->date);
    entry.cells[Number] = shown(record->number);
    entry.cells[Subscriber] = shown(record->subscriber);
    entry.cells[Time] = shown(record->time);
    entry.cells[Duration] = shown(record->duration);
    entry.seconds = record->seconds;
    return entry;
}

bool JournalModel::matches(const Entry& entry) const {
    if (filter_.isEmpty()) {
        return true;
    }
    if (entry.damaged) {
        return entry.cells[Date].contains(filter_, Qt::CaseInsensitive);
    }
    return entry.cells[Number].contains(filter_, Qt::CaseInsensitive) ||
           entry.cells[Subscriber].contains(filter_, Qt::CaseInsensitive);
}

void JournalModel::count(const Entry& entry, int sign) {
    if (entry.damaged) {
        totals_.damaged += sign;
    } else {
        totals_.calls += sign;
        totals_.seconds += sign * entry.seconds;
    }
}

const JournalModel::Entry& JournalModel::shownEntry(int row) const {
    return entries_[shown_[shown_.size() - 1 - std::size_t(row)]];
}

void JournalModel::removeLast() {
    if (entries_.empty()) {
        return;
    }
    if (!shown_.empty() && shown_.back() == entries_.size() - 1) {
        beginRemoveRows({}, 0, 0);  // the newest row is the first one
        count(entries_.back(), -1);
        shown_.pop_back();
        entries_.pop_back();
        endRemoveRows();
    } else {
        entries_.pop_back();
    }
}

void JournalModel::append(const std::vector<JournalFollower::Line>& lines) {
    std::vector<std::size_t> matching;
    for (const JournalFollower::Line& line : lines) {
        entries_.push_back(entryOf(line));
        if (matches(entries_.back())) {
            matching.push_back(entries_.size() - 1);
        }
    }
    if (matching.empty()) {
        return;
    }
    beginInsertRows({}, 0, int(matching.size()) - 1);
    for (std::size_t index : matching) {
        shown_.push_back(index);
        count(entries_[index], +1);
    }
    endInsertRows();
}

void JournalModel::apply(const JournalFollower::Update& update) {
    if (update.restart) {
        beginResetModel();
        entries_.clear();
        for (const auto& line : update.lines) {
            entries_.push_back(entryOf(line));
        }
        selectShown();
        endResetModel();
        return;
    }
    if (update.replace_last) {
        removeLast();
    }
    append(update.lines);
}

void JournalModel::setFilter(const QString& text) {
    if (text == filter_) {
        return;
    }
    beginResetModel();
    filter_ = text;
    selectShown();
    endResetModel();
}

void JournalModel::selectShown() {
    shown_.clear();
    totals_ = {};
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (matches(entries_[i])) {
            shown_.push_back(i);
            count(entries_[i], +1);
        }
    }
}

std::vector<int> JournalModel::damagedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < rowCount(); ++row) {
        if (shownEntry(row).damaged) {
            rows.push_back(row);
        }
    }
    return rows;
}

bool JournalModel::isDamaged(int row) const {
    return row >= 0 && row < rowCount() && shownEntry(row).damaged;
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    const Entry& entry = shownEntry(index.row());
    switch (role) {
        case Qt::DisplayRole:
            return entry.cells[std::size_t(index.column())];
        case Qt::ToolTipRole:
            return entry.damaged ? QVariant(entry.cells[Date]) : QVariant();
        case Qt::FontRole:
            if (entry.damaged) {
                QFont font;
                font.setItalic(true);
                return font;
            }
            return {};
        case Qt::TextAlignmentRole:
            if (index.column() == Duration && !entry.damaged) {
                return int(Qt::AlignRight | Qt::AlignVCenter);
            }
            return {};
        default:
            return {};
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
        case Date:
            return QStringLiteral("Дата");
        case Number:
            return QStringLiteral("Номер");
        case Subscriber:
            return QStringLiteral("Абонент");
        case Time:
            return QStringLiteral("Время");
        case Duration:
            return QStringLiteral("Длительность");
        default:
            return {};
    }
}

QString totalDurationText(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(seconds, 0);
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
