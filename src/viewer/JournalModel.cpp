#include "viewer/JournalModel.h"

#include <fcntl.h>

#include <QFont>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <type_traits>

#include "dialing/Journal.h"
#include "dialing/JournalRecord.h"
#include "platform/Cp1251.h"

namespace {

using LineInfo = JournalModel::LineInfo;
using ScanReport = JournalModel::ScanReport;

// Decoded for the screen: a control character shows as its visible symbol (␁ for byte 1), a
// tab as a blank.
QString shown(std::string_view bytes) {
    QString text = platform::fromCp1251(bytes);
    for (QChar& c : text) {
        if (c == u'\t') {
            c = u' ';
        } else if (c.unicode() < 0x20) {
            c = QChar(char16_t(0x2400 + c.unicode()));
        } else if (c.unicode() == 0x7F) {
            c = QChar(char16_t(0x2421));
        }
    }
    return text;
}

// Each Windows-1251 byte's folded case (a tab folds to a blank, as it is shown).
const std::array<unsigned char, 256>& foldTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> fold{};
        for (int b = 0; b < 256; ++b) {
            fold[std::size_t(b)] = static_cast<unsigned char>(b);
            const char byte = char(b);
            const QString folded = platform::fromCp1251({&byte, 1}).toCaseFolded();
            const std::string back = platform::toCp1251(folded);
            if (back.size() == 1 && platform::fromCp1251(back) == folded) {
                fold[std::size_t(b)] = static_cast<unsigned char>(back[0]);
            }
        }
        fold['\t'] = ' ';
        return fold;
    }();
    return table;
}

// The line's record, if it is one, and whether the filter shows it.
LineInfo classify(const JournalLine& line, const JournalFilter& filter,
                  std::optional<JournalRecord>* record_out = nullptr) {
    LineInfo info;
    info.start = line.start;
    if (filter.active && !filter.in(line.bytes)) {
        return info;
    }
    const auto record = line.cut ? std::nullopt : parse_journal_line(line.bytes);
    info.damaged = !record;
    info.seconds = record ? record->seconds : 0;
    info.matched =
        !filter.active || !record || filter.in(record->number) || filter.in(record->subscriber);
    if (record_out) {
        *record_out = record;
    }
    return info;
}

void count(JournalModel::Totals& totals, const LineInfo& info, int sign) {
    if (!info.matched) {
        return;
    }
    if (info.damaged) {
        totals.damaged += sign;
    } else {
        totals.calls += sign;
        totals.seconds += sign * info.seconds;
    }
}

// The lines of `bytes`, the file's from `from` on up to a line's end, as the scan sees them:
// with a filter, only the lines that hold its text somewhere are looked at closely.
void scan_segment(std::string_view bytes, std::uint64_t from, const JournalFilter& filter,
                  std::vector<std::size_t>& hits, std::vector<LineInfo>& lines) {
    if (filter.active) {
        filter.find(bytes, hits);
    }
    std::size_t next_hit = 0;
    JournalLine line;
    line.ended = true;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto* lf =
            static_cast<const char*>(std::memchr(bytes.data() + at, '\n', bytes.size() - at));
        const std::size_t length = lf ? std::size_t(lf - bytes.data()) - at : bytes.size() - at;
        line.start = from + at;
        line.end = line.start + length + 1;
        if (filter.active) {
            while (next_hit < hits.size() && hits[next_hit] < at) {
                ++next_hit;
            }
            if (next_hit == hits.size() || hits[next_hit] >= at + length) {
                lines.push_back({line.start, false, false, 0});
                at += length + 1;
                continue;
            }
        }
        line.cut = false;
        take_line_bytes(line, bytes.substr(at, length));  // as the line reader takes it
        lines.push_back(classify(line, filter));
        at += length + 1;
    }
}

// The lines before `end`, newest first, a segment at a time from the end: where every 64th
// starts (with `index`), which the filter shows and their totals. Reports come every 30 ms or
// so, and a last one when all is read.
void scan_older(int fd, std::uint64_t end, const JournalFilter& filter, bool index,
                std::uint64_t generation, const std::atomic<bool>& cancel,
                const std::function<void(ScanReport&&)>& report_to) {
    constexpr std::uint64_t kSegment = 1 << 20;
    using Clock = std::chrono::steady_clock;
    auto last = Clock::now();
    ScanReport report;
    std::uint32_t count_so_far = 0;
    std::vector<LineInfo> lines;
    std::string segment;
    std::vector<std::size_t> hits;
    LineReader reader(fd, 0, 0);
    JournalLine line;
    for (std::uint64_t to = end; to > 0;) {
        if (cancel.load(std::memory_order_relaxed)) {
            return;
        }
        const std::uint64_t from = line_start_before(fd, to > kSegment ? to - kSegment : 0);
        lines.clear();
        if (to - from <= 4 * kSegment) {
            segment.resize(std::size_t(to - from));
            if (read_at(fd, segment.data(), segment.size(), from) != ssize_t(segment.size())) {
                break;
            }
            scan_segment(segment, from, filter, hits, lines);
        } else {
            // A line longer than a segment: read a piece at a time.
            reader.restart(from, to);
            while (reader.next(line)) {
                lines.push_back(classify(line, filter));
            }
            if (reader.failed()) {
                break;
            }
        }
        if (lines.empty()) {
            break;
        }
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            if (index && count_so_far % JournalModel::kBlock == JournalModel::kBlock - 1) {
                report.blocks.push_back(it->start);
            }
            if (it->matched && filter.active) {
                report.matches.push_back(count_so_far);
            }
            count(report.totals, *it, +1);
            ++count_so_far;
        }
        report.oldest = from;
        report.count = count_so_far;
        to = from;
        if (to > 0 && Clock::now() - last >= std::chrono::milliseconds(30)) {
            report.generation = generation;
            report_to(std::exchange(report, {}));
            last = Clock::now();
        }
    }
    report.generation = generation;
    report.count = count_so_far;
    report.done = true;
    report_to(std::move(report));
}

// The numbers in `text`, at most three, with how many digits the first has.
int numbers(std::string_view text, std::array<int, 3>& values, int& first_digits, char& sep) {
    int found = 0;
    first_digits = 0;
    sep = 0;
    for (std::size_t i = 0; i < text.size() && found < 3;) {
        if (text[i] < '0' || text[i] > '9') {
            if (found == 1 && sep == 0) {
                sep = text[i];
            }
            ++i;
            continue;
        }
        int value = 0, digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
            value = std::min(value * 10 + (text[i] - '0'), 100000);
        }
        if (found == 0) {
            first_digits = digits;
        }
        values[std::size_t(found++)] = value;
    }
    return found;
}

// Where the parts of a date stand in the user's short date, as the dialler writes it: 0 day,
// 1 month, 2 year.
const std::array<int, 3>& local_date_order() {
    static const std::array<int, 3> order = [] {
        std::tm noon{};
        noon.tm_year = 2001 - 1900;
        noon.tm_mon = 1;
        noon.tm_mday = 3;
        noon.tm_hour = 12;
        noon.tm_isdst = -1;
        std::array<int, 3> values{};
        int first_digits;
        char sep;
        const int found = numbers(short_date_text(std::mktime(&noon)), values, first_digits, sep);
        std::array<int, 3> parts{1, 0, 2};  // month, day, year
        for (std::size_t i = 0; i < std::size_t(found); ++i) {
            parts[i] = values[i] == 3 ? 0 : values[i] == 2 ? 1 : 2;
        }
        return parts;
    }();
    return order;
}

// Days from 1970-01-01, plus one (0: not a date), of the date as the dialler wrote it: year
// first when it has four digits, day first with dots, otherwise in the user's order.
std::uint32_t day_of(std::string_view date) {
    std::array<int, 3> values{};
    int first_digits;
    char sep;
    if (numbers(date, values, first_digits, sep) < 3) {
        return 0;
    }
    std::array<int, 3> order = local_date_order();
    if (first_digits == 4) {
        order = {2, 1, 0};
    } else if (sep == '.') {
        order = {0, 1, 2};
    }
    int ymd[3] = {};
    for (std::size_t i = 0; i < 3; ++i) {
        ymd[2 - order[i]] = values[i];
    }
    int y = ymd[0];
    const int m = ymd[1], d = ymd[2];
    if (y < 100) {
        y += y < 70 ? 2000 : 1900;
    }
    if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1970 || y > 2100) {
        return 0;
    }
    // Days from the civil date (the proleptic Gregorian calendar).
    const int yy = y - (m <= 2);
    const int era = yy / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return std::uint32_t(era * 146097 + doe - 719468 + 1);
}

// Seconds since midnight of a time as the dialler wrote it (with AM or PM, if any).
std::uint32_t second_of(std::string_view time) {
    std::array<int, 3> values{};
    int first_digits;
    char sep;
    const int found = numbers(time, values, first_digits, sep);
    if (found < 2) {
        return 0;
    }
    int hours = values[0];
    if (time.find_first_of("Pp") != std::string_view::npos) {
        hours = hours % 12 + 12;
    } else if (time.find_first_of("Aa") != std::string_view::npos) {
        hours %= 12;
    }
    return std::uint32_t(std::min(hours, 23) * 3600 + std::min(values[1], 59) * 60 +
                         (found > 2 ? std::min(values[2], 59) : 0));
}

// A line in a sort by a text: the text's key, then the line's place in the file.
struct TextItem {
    std::array<std::uint32_t, 5> key{};
    std::uint32_t place = 0;
    bool operator<(const TextItem& other) const {
        return key != other.key ? key < other.key : place < other.place;
    }
};

// The first 20 bytes of a text as a key in the alphabet's order, case aside (ё as е): as long as
// a phone book's cell, and longer than numbers are dialled; texts alike in those are left in the
// file's order. A key of its own for each text would cost memory for each different one, millions
// in a large journal of numbers.
TextItem text_item(std::string_view text, std::uint32_t place) {
    const auto& fold = foldTable();
    TextItem item;
    item.place = place;
    for (std::size_t i = 0; i < std::min<std::size_t>(text.size(), 20); ++i) {
        unsigned char weight = fold[static_cast<unsigned char>(text[i])];
        if (weight == 0xB8) {
            weight = 0xE5;  // ё
        }
        item.key[i / 4] |= std::uint32_t(weight) << (8 * (3 - i % 4));
    }
    return item;
}

std::uint32_t place_of(std::uint64_t item) {
    return std::uint32_t(item);
}
std::uint32_t place_of(const TextItem& item) {
    return item.place;
}

// The places in the file of the shown lines before `end`, in the order of item_of(record,
// place); a line that is not a record comes first. Null when the job was told to stop.
template <class Item, class ItemOf>
std::optional<std::vector<std::uint32_t>> sorted_places(int fd, std::uint64_t end,
                                                        const JournalFilter& filter,
                                                        const std::atomic<bool>& cancel,
                                                        std::size_t rows, ItemOf item_of) {
    std::vector<Item> items;
    items.reserve(rows);  // as many as are shown: no room grown twice over
    LineReader reader(fd, 0, end);
    JournalLine line;
    std::optional<JournalRecord> record;
    for (std::uint32_t place = 0; reader.next(line); ++place) {
        if ((place & 0xFFFF) == 0 && cancel.load(std::memory_order_relaxed)) {
            return std::nullopt;
        }
        record.reset();
        if (classify(line, filter, &record).matched) {
            if (record) {
                items.push_back(item_of(*record, place));
            } else if constexpr (std::is_same_v<Item, TextItem>) {
                items.push_back(TextItem{{}, place});
            } else {
                items.push_back(place);
            }
        }
    }
    std::sort(items.begin(), items.end());
    std::vector<std::uint32_t> places(items.size());
    std::transform(items.begin(), items.end(), places.begin(),
                   [](const Item& item) { return place_of(item); });
    return places;
}

// A 32-bit key and the line's place in one number: key << 32 | place.
std::uint64_t number_item(std::uint64_t key, std::uint32_t place) {
    return std::min<std::uint64_t>(key, 0xFFFFFFFF) << 32 | place;
}

// The places in the file of the shown lines before `end`, in the order of `column`: dates and
// times as such, durations as durations, texts alphabetically.
std::optional<std::vector<std::uint32_t>> sort_lines(int fd, std::uint64_t end,
                                                     const JournalFilter& filter, int column,
                                                     std::size_t rows,
                                                     const std::atomic<bool>& cancel) {
    switch (column) {
        case JournalModel::Date:
            return sorted_places<std::uint64_t>(
                fd, end, filter, cancel, rows,
                [](const JournalRecord& record, std::uint32_t place) {
                    return number_item(
                        std::uint64_t(day_of(record.date)) * 86400 + second_of(record.time), place);
                });
        case JournalModel::Time:
            return sorted_places<std::uint64_t>(
                fd, end, filter, cancel, rows,
                [](const JournalRecord& record, std::uint32_t place) {
                    return number_item(std::uint64_t(second_of(record.time)) << 15 |
                                           std::min<std::uint32_t>(day_of(record.date), 0x7FFF),
                                       place);
                });
        case JournalModel::Duration:
            return sorted_places<std::uint64_t>(
                fd, end, filter, cancel, rows,
                [](const JournalRecord& record, std::uint32_t place) {
                    return number_item(std::uint64_t(record.seconds), place);
                });
        default:
            return sorted_places<TextItem>(
                fd, end, filter, cancel, rows,
                [column](const JournalRecord& record, std::uint32_t place) {
                    return text_item(
                        column == JournalModel::Number ? record.number : record.subscriber, place);
                });
    }
}

}  // namespace

JournalFilter JournalFilter::of(const QString& text) {
    JournalFilter filter;
    if (text.isEmpty()) {
        return filter;
    }
    filter.active = true;
    const QString folded = text.toCaseFolded();
    const std::string bytes = platform::toCp1251(folded);
    if (platform::fromCp1251(bytes) != folded) {
        filter.possible = false;
        return filter;
    }
    const auto& fold = foldTable();
    for (char c : bytes) {
        filter.needle.push_back(char(fold[static_cast<unsigned char>(c)]));
    }
    // Looked for first: a byte the labels, dates and times do not hold, if the text has one.
    const std::string common =
        std::string(kJournalNumberLabel) + std::string(kJournalSubscriberLabel) +
        std::string(kJournalTimeLabel) + std::string(kJournalDurationLabel) + "0123456789.:/";
    std::string common_folded;
    for (char c : common) {
        common_folded.push_back(char(fold[static_cast<unsigned char>(c)]));
    }
    const std::size_t rare = filter.needle.find_first_not_of(common_folded);
    filter.anchor_at = rare == std::string::npos ? 0 : rare;
    filter.anchor = static_cast<unsigned char>(filter.needle[filter.anchor_at]);
    for (int b = 0; b < 256; ++b) {
        if (fold[std::size_t(b)] == filter.anchor) {
            filter.anchors.push_back(char(b));
        }
    }
    return filter;
}

void JournalFilter::find(std::string_view bytes, std::vector<std::size_t>& at) const {
    at.clear();
    if (!possible || bytes.size() < needle.size()) {
        return;
    }
    const auto& fold = foldTable();
    const auto* want = reinterpret_cast<const unsigned char*>(needle.data());
    // Each byte that folds to the anchor, found by memchr, then the whole text around it.
    for (const char anchor_byte : anchors) {
        const char* from = bytes.data() + anchor_at;
        const char* const end = bytes.data() + bytes.size() - (needle.size() - anchor_at - 1);
        while (from < end) {
            const auto* hit =
                static_cast<const char*>(std::memchr(from, anchor_byte, std::size_t(end - from)));
            if (!hit) {
                break;
            }
            const auto* start = reinterpret_cast<const unsigned char*>(hit - anchor_at);
            std::size_t j = 0;
            while (j < needle.size() && fold[start[j]] == want[j]) {
                ++j;
            }
            if (j == needle.size()) {
                at.push_back(std::size_t(hit - anchor_at - bytes.data()));
            }
            from = hit + 1;
        }
    }
    if (anchors.size() > 1) {
        std::sort(at.begin(), at.end());
    }
}

bool JournalFilter::in(std::string_view bytes) const {
    if (!possible) {
        return false;
    }
    const std::size_t size = needle.size();
    if (bytes.size() < size) {
        return false;
    }
    const auto& fold = foldTable();
    const auto* hay = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* want = reinterpret_cast<const unsigned char*>(needle.data());
    const std::size_t last = bytes.size() - size + anchor_at;
    for (std::size_t i = anchor_at; i <= last; ++i) {
        if (fold[hay[i]] != anchor) {
            continue;
        }
        const unsigned char* at = hay + i - anchor_at;
        std::size_t j = 0;
        while (j < size && fold[at[j]] == want[j]) {
            ++j;
        }
        if (j == size) {
            return true;
        }
    }
    return false;
}

JournalModel::Totals& JournalModel::Totals::operator+=(const Totals& other) {
    calls += other.calls;
    seconds += other.seconds;
    damaged += other.damaged;
    return *this;
}

JournalModel::JournalModel(std::string path, QObject* parent)
    : QAbstractTableModel(parent), follower_(std::move(path)) {}

JournalModel::~JournalModel() {
    stopJob();
    for (const auto& job : retired_) {
        job->thread.join();
    }
}

void JournalModel::startJob(bool sorting,
                            std::function<void(int fd, const std::atomic<bool>& cancel)> work) {
    job_ = std::make_unique<Job>();
    job_->sorting = sorting;
    job_->thread = std::thread(
        [job = job_.get(), fd = platform::UniqueFd(::fcntl(follower_.fd(), F_DUPFD_CLOEXEC, 0)),
         work = std::move(work)] {
            work(fd.get(), job->cancel);
            job->done = true;
        });
    emit totalsChanged();
}

void JournalModel::stopJob() {
    // A job told to stop is not waited for: a sort may be in its last step, which it does not
    // break off. What it still reports is dropped.
    if (job_) {
        job_->cancel = true;
        retired_.push_back(std::move(job_));
        ++generation_;
    }
    std::erase_if(retired_, [](const std::unique_ptr<Job>& job) {
        if (!job->done) {
            return false;
        }
        job->thread.join();
        return true;
    });
}

void JournalModel::refresh() {
    JournalFollower::Change change = follower_.poll();
    if (change.restart) {
        reset();
    }
    if (change.to <= change.from) {
        return;
    }
    // A piece too large to read here at once (a file appended to another, say) is read as a new
    // file is, off this thread.
    const std::uint64_t at_once = std::max<std::uint64_t>(background_from_, kAppendedAtOnce);
    if (change.from > 0 && change.to - newer_end_ >= at_once) {
        reset();
        change.from = 0;
    }
    end_ = change.to;
    if (change.from == 0) {
        start(change.to);
    } else {
        readNewer(change.to);
    }
}

void JournalModel::reset() {
    stopJob();
    ++generation_;
    beginResetModel();
    end_ = split_ = 0;
    older_blocks_ = {};
    older_oldest_ = 0;
    older_count_ = 0;
    older_totals_all_ = {};
    older_indexed_ = older_all_known_ = false;
    newer_blocks_ = {};
    newer_count_ = 0;
    newer_end_ = 0;
    open_ = false;
    newer_shown_ = {};
    older_shown_ = {};
    totals_ = {};
    sorted_ = {};
    sorted_ready_ = false;
    cache_ = {};
    endResetModel();
    emit totalsChanged();
}

void JournalModel::start(std::uint64_t to) {
    // The lines up to the last line end are the older ones, read from the end back; after it
    // comes at most a line without its end, and whatever the dialler appends later.
    split_ = line_start_before(follower_.fd(), to);
    newer_end_ = split_;
    readNewer(to);
    scanOlder();
}

void JournalModel::dropOpenLine() {
    if (!open_) {
        return;
    }
    const bool rows = open_info_.matched && !sortedView();
    if (rows) {
        beginRemoveRows({}, 0, 0);
    }
    --newer_count_;
    if (open_info_.matched && filter_.active) {
        newer_shown_.pop_back();
    }
    if (newer_count_ % kBlock == 0) {
        newer_blocks_.pop_back();
    }
    count(totals_, open_info_, -1);
    open_ = false;
    if (rows) {
        endRemoveRows();
    }
}

void JournalModel::readNewer(std::uint64_t to) {
    dropOpenLine();
    std::vector<std::uint64_t> blocks;
    std::vector<std::uint32_t> shown_lines;
    Totals added_totals;
    std::uint32_t n = newer_count_;
    LineReader reader(follower_.fd(), newer_end_, to, 64 * 1024);
    JournalLine line;
    while (reader.next(line)) {
        if (n % kBlock == 0) {
            blocks.push_back(line.start);
        }
        const LineInfo info = classify(line, filter_);
        if (line.ended) {
            newer_end_ = line.end;
        } else {
            open_ = true;
            open_info_ = info;
        }
        if (info.matched && filter_.active) {
            shown_lines.push_back(n);
        }
        count(added_totals, info, +1);
        ++n;
    }
    const int added = filter_.active ? int(shown_lines.size()) : int(n - newer_count_);
    const bool rows = added > 0 && !sortedView();
    if (rows) {
        beginInsertRows({}, 0, added - 1);
    }
    newer_blocks_.insert(newer_blocks_.end(), blocks.begin(), blocks.end());
    newer_shown_.insert(newer_shown_.end(), shown_lines.begin(), shown_lines.end());
    newer_count_ = n;
    totals_ += added_totals;
    cache_ = {};
    if (rows) {
        endInsertRows();
    }
    if (sortedView() && (!job_ || job_->sorting)) {
        startSort();  // the new lines take their places
    }
    emit totalsChanged();
}

void JournalModel::scanOlder() {
    stopJob();
    const bool index = !older_indexed_;
    const std::uint64_t generation = ++generation_;
    if (!filter_.active) {
        older_totals_all_ = {};
    }
    const auto report_here = [this](ScanReport&& report) { applyScan(std::move(report)); };
    if (split_ < background_from_) {
        const std::atomic<bool> never{false};
        scan_older(follower_.fd(), split_, filter_, index, generation, never, report_here);
        return;
    }
    startJob(false, [this, end = split_, filter = filter_, index, generation](
                        int fd, const std::atomic<bool>& cancel) {
        scan_older(fd, end, filter, index, generation, cancel, [this](ScanReport&& report) {
            QMetaObject::invokeMethod(
                this,
                [this, report = std::move(report)]() mutable { applyScan(std::move(report)); },
                Qt::QueuedConnection);
        });
    });
}

void JournalModel::applyScan(ScanReport report) {
    if (report.generation != generation_) {
        return;
    }
    const bool index = !older_indexed_;
    const int added = filter_.active ? int(report.matches.size())
                      : index        ? int(report.count - older_count_)
                                     : 0;
    const int first = rowCount();
    if (added > 0) {
        beginInsertRows({}, first, first + added - 1);
    }
    if (index) {
        older_blocks_.insert(older_blocks_.end(), report.blocks.begin(), report.blocks.end());
        older_oldest_ = report.oldest;
        older_count_ = report.count;
    }
    older_shown_.insert(older_shown_.end(), report.matches.begin(), report.matches.end());
    totals_ += report.totals;
    if (!filter_.active) {
        older_totals_all_ += report.totals;
    }
    cache_ = {};
    if (added > 0) {
        endInsertRows();
    }
    if (report.done) {
        if (job_) {
            job_->thread.join();
            job_.reset();
        }
        older_indexed_ = true;
        older_all_known_ = older_all_known_ || !filter_.active;
        if (sort_column_ >= 0) {
            startSort();
        }
    }
    emit totalsChanged();
}

void JournalModel::setFilter(const QString& text) {
    if (text == filter_text_) {
        return;
    }
    stopJob();
    ++generation_;
    beginResetModel();
    filter_text_ = text;
    filter_ = JournalFilter::of(text);
    newer_shown_ = {};
    older_shown_ = {};
    sorted_ = {};
    sorted_ready_ = false;
    totals_ = {};
    cache_ = {};
    if (!older_indexed_) {
        older_blocks_ = {};
        older_count_ = 0;
        older_oldest_ = 0;
    }
    // The newer lines again, here: they are few.
    LineReader reader(follower_.fd(), split_, end_, 64 * 1024);
    JournalLine line;
    for (std::uint32_t n = 0; reader.next(line); ++n) {
        const LineInfo info = classify(line, filter_);
        if (info.matched && filter_.active) {
            newer_shown_.push_back(n);
        }
        if (!line.ended) {
            open_info_ = info;
        }
        count(totals_, info, +1);
    }
    const bool scan = !older_indexed_ || filter_.active || !older_all_known_;
    if (!scan) {
        totals_ += older_totals_all_;
    }
    endResetModel();
    if (scan) {
        scanOlder();
    } else if (sort_column_ >= 0) {
        startSort();
    }
    emit totalsChanged();
}

void JournalModel::sort(int column, Qt::SortOrder order) {
    if (column >= ColumnCount) {
        return;
    }
    if (column == sort_column_ && (sorted_ready_ || column < 0)) {
        if (order != sort_order_) {
            beginResetModel();
            sort_order_ = order;
            endResetModel();
        }
        return;
    }
    sort_column_ = column;
    sort_order_ = order;
    if (column < 0) {
        if (job_ && job_->sorting) {
            stopJob();
        }
        beginResetModel();
        sorted_ = {};
        sorted_ready_ = false;
        endResetModel();
        emit totalsChanged();
        return;
    }
    if (!job_ || job_->sorting) {
        startSort();  // else once the scan running now is done
    }
}

void JournalModel::startSort() {
    if (sort_column_ < 0 || !older_indexed_) {
        return;
    }
    stopJob();
    const std::uint64_t generation = ++generation_;
    const std::size_t rows = filter_.active ? newer_shown_.size() + older_shown_.size()
                                            : std::size_t(newer_count_) + older_count_;
    if (end_ < background_from_) {
        const std::atomic<bool> never{false};
        applySort(generation, sort_lines(follower_.fd(), end_, filter_, sort_column_, rows, never));
        return;
    }
    startJob(true, [this, end = end_, filter = filter_, column = sort_column_, rows, generation](
                       int fd, const std::atomic<bool>& cancel) {
        std::optional<std::vector<std::uint32_t>> order;
        try {
            order = sort_lines(fd, end, filter, column, rows, cancel);
        } catch (const std::bad_alloc&) {
            order.reset();  // too many rows to sort in the memory there is
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, order = std::move(order)]() mutable {
                applySort(generation, std::move(order));
            },
            Qt::QueuedConnection);
    });
}

void JournalModel::applySort(std::uint64_t generation,
                             std::optional<std::vector<std::uint32_t>> order) {
    if (generation != generation_) {
        return;
    }
    if (job_) {
        job_->thread.join();
        job_.reset();
    }
    beginResetModel();
    if (!order) {
        sort_column_ = -1;  // the rows stay in the file's order
    }
    sorted_ = order ? std::move(*order) : std::vector<std::uint32_t>();
    sorted_ready_ = bool(order);
    cache_ = {};
    endResetModel();
    emit totalsChanged();
}

JournalModel::Ref JournalModel::refOf(int row) const {
    const auto r = std::uint32_t(row);
    if (sortedView()) {
        const std::size_t at = sort_order_ == Qt::AscendingOrder ? r : sorted_.size() - 1 - r;
        const std::uint32_t place = sorted_[at];
        return place < older_count_ ? Ref{false, older_count_ - 1 - place}
                                    : Ref{true, place - older_count_};
    }
    if (filter_.active) {
        const auto newer = std::uint32_t(newer_shown_.size());
        return r < newer ? Ref{true, newer_shown_[newer - 1 - r]}
                         : Ref{false, older_shown_[r - newer]};
    }
    return r < newer_count_ ? Ref{true, newer_count_ - 1 - r} : Ref{false, r - newer_count_};
}

const JournalModel::Entry& JournalModel::entryOf(Ref ref) const {
    static const Entry kUnread{true, {}, 0};
    const std::uint32_t block = ref.n / kBlock;
    const auto cached = std::find_if(cache_.begin(), cache_.end(), [&](const CachedBlock& c) {
        return c.block == block && c.newer == ref.newer;
    });
    const CachedBlock* found = cached != cache_.end() ? &*cached : nullptr;
    if (!found) {
        const std::uint32_t total = ref.newer ? newer_count_ : older_count_;
        if (ref.n >= total) {
            return kUnread;
        }
        const std::uint32_t lines = std::min(kBlock, total - block * kBlock);
        const std::uint64_t from = ref.newer                      ? newer_blocks_[block]
                                   : block < older_blocks_.size() ? older_blocks_[block]
                                                                  : older_oldest_;
        CachedBlock& slot = cache_[cache_next_++ % cache_.size()];
        slot = {ref.newer, block, {}};
        LineReader reader(follower_.fd(), from, end_, 16 * 1024);
        JournalLine line;
        while (slot.entries.size() < lines && reader.next(line)) {
            Entry entry;
            const auto record = line.cut ? std::nullopt : parse_journal_line(line.bytes);
            if (!record) {
                entry.damaged = true;
                entry.cells[Date] = shown(line.bytes);
                if (line.cut) {
                    entry.cells[Date] += u'…';
                }
            } else {
                entry.cells[Date] = shown(record->date);
                entry.cells[Number] = shown(record->number);
                entry.cells[Subscriber] = shown(record->subscriber);
                entry.cells[Time] = shown(record->time);
                entry.cells[Duration] = shown(record->duration);
                entry.seconds = record->seconds;
            }
            slot.entries.push_back(std::move(entry));
        }
        if (!ref.newer) {
            std::reverse(slot.entries.begin(), slot.entries.end());  // counted back
        }
        found = &slot;
    }
    const std::size_t at = ref.n - block * kBlock;
    return at < found->entries.size() ? found->entries[at] : kUnread;
}

bool JournalModel::isDamaged(int row) const {
    return row >= 0 && row < rowCount() && entryOf(refOf(row)).damaged;
}

std::int64_t JournalModel::seconds(int row) const {
    return row >= 0 && row < rowCount() ? entryOf(refOf(row)).seconds : 0;
}

std::size_t JournalModel::indexBytes() const {
    return (older_blocks_.capacity() + newer_blocks_.capacity()) * 8 +
           (newer_shown_.capacity() + older_shown_.capacity() + sorted_.capacity()) * 4;
}

int JournalModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    if (sortedView()) {
        return int(sorted_.size());
    }
    if (filter_.active) {
        return int(newer_shown_.size() + older_shown_.size());
    }
    return int(newer_count_ + older_count_);
}

int JournalModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    const Entry& entry = entryOf(refOf(index.row()));
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
    if (orientation == Qt::Horizontal && role == Qt::InitialSortOrderRole) {
        return int(Qt::AscendingOrder);
    }
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
