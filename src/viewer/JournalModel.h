#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "viewer/JournalFollower.h"
#include "viewer/JournalLines.h"

// What the filter looks for: its text as folded Windows-1251 bytes.
struct JournalFilter {
    bool active = false;       // there is a text to look for
    bool possible = true;      // the text can be in the file at all (Windows-1251 holds it)
    std::string needle;        // folded
    unsigned char anchor = 0;  // the byte of the needle the search looks for first
    std::size_t anchor_at = 0;
    std::string anchors;  // the bytes that fold to it

    static JournalFilter of(const QString& text);
    // `bytes` hold the text, case aside (a tab counts as a blank).
    bool in(std::string_view bytes) const;
    // Where in `bytes` the text starts, case aside, in order.
    void find(std::string_view bytes, std::vector<std::size_t>& at) const;
};

// The journal file as a table, newest call first: date, number, subscriber, time, duration,
// decoded from Windows-1251. A line that is not a record is kept whole in the first column, never
// dropped. A filter shows only the calls whose number or subscriber holds its text (a damaged
// line: whose text holds it); the totals count what is shown. A click on a column's header sorts
// by it. No widgets: the window shows it.
//
// The rows are not held: an index keeps where every 64th line starts, and the rows on the
// screen are read from the file and decoded when they are shown. A large file is indexed,
// filtered, counted and sorted off the main thread; its rows come in, newest first, as they are
// found, and the totals count on meanwhile (busy()).
class JournalModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Date, Number, Subscriber, Time, Duration, ColumnCount };
    static constexpr std::uint32_t kBlock = 64;  // lines per index entry
    // Files from this size on are read off the main thread.
    static constexpr std::uint64_t kBackgroundFrom = 4 << 20;
    // So much appended at once is read again from the start, off the main thread.
    static constexpr std::uint64_t kAppendedAtOnce = 16 << 20;

    struct Totals {
        std::int64_t calls = 0;
        std::int64_t seconds = 0;
        std::int64_t damaged = 0;  // lines shown that are not records
        Totals& operator+=(const Totals& other);
    };

    explicit JournalModel(std::string path, QObject* parent = nullptr);
    ~JournalModel() override;

    // Reads what has changed in the file since the last time.
    void refresh();
    JournalFollower::State state() const { return follower_.state(); }
    std::error_code error() const { return follower_.error(); }

    // Shows only the rows that match `text` (case does not matter); empty shows everything.
    void setFilter(const QString& text);
    const QString& filter() const { return filter_text_; }

    Totals totals() const { return totals_; }
    // Rows and totals are still being counted (or sorted).
    bool busy() const { return job_ != nullptr; }

    bool isDamaged(int row) const;
    // A call's duration in seconds; 0 for a damaged line.
    std::int64_t seconds(int row) const;

    // Files from `bytes` on are read off the main thread (kBackgroundFrom unless set).
    void setBackgroundFrom(std::uint64_t bytes) { background_from_ = bytes; }
    // The bytes the model holds for the rows, beyond the few shown.
    std::size_t indexBytes() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // A column below 0 goes back to the file's order, newest first.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  signals:
    // The totals, or busy(), have changed.
    void totalsChanged();

  public:
    // One line as the scans see it.
    struct LineInfo {
        std::uint64_t start = 0;
        bool matched = false;
        bool damaged = false;
        std::int64_t seconds = 0;
    };
    // What a scan of the older lines has found since its last report.
    struct ScanReport {
        std::uint64_t generation = 0;
        std::vector<std::uint64_t> blocks;  // starts of further index entries
        std::uint64_t oldest = 0;           // the start of the oldest line found so far
        std::uint32_t count = 0;            // lines found so far
        std::vector<std::uint32_t> matches;
        Totals totals;
        bool done = false;
    };

  private:
    struct Entry {
        bool damaged = false;
        std::array<QString, ColumnCount> cells;  // a damaged line: the whole of it in Date
        std::int64_t seconds = 0;
    };
    // A line: one of the newer ones (after split_, counted on from it) or of the older ones
    // (before it, counted back from it).
    struct Ref {
        bool newer;
        std::uint32_t n;
    };
    struct Job {
        std::atomic<bool> cancel{false};
        std::atomic<bool> done{false};  // the thread has nothing left to do
        bool sorting = false;           // it sorts (rather than scans the older lines)
        std::thread thread;
    };

    Ref refOf(int row) const;
    const Entry& entryOf(Ref ref) const;
    void reset();
    void start(std::uint64_t to);
    void readNewer(std::uint64_t to);
    void dropOpenLine();
    void scanOlder();
    void applyScan(ScanReport report);
    void startSort();
    void applySort(std::uint64_t generation, std::optional<std::vector<std::uint32_t>> order);
    // Runs `work` as the job on a thread of its own, over a descriptor of its own for the file.
    void startJob(bool sorting, std::function<void(int fd, const std::atomic<bool>& cancel)> work);
    void stopJob();
    bool sortedView() const { return sort_column_ >= 0 && sorted_ready_; }

    JournalFollower follower_;
    std::uint64_t background_from_ = kBackgroundFrom;
    std::uint64_t end_ = 0;    // bytes of the file taken in
    std::uint64_t split_ = 0;  // where the older lines end and the newer begin

    // The older lines, counted back from split_: n = 0 is the last before it.
    std::vector<std::uint64_t> older_blocks_;  // [b]: where line 64 b + 63 starts
    std::uint64_t older_oldest_ = 0;           // where the oldest line found starts
    std::uint32_t older_count_ = 0;
    Totals older_totals_all_;  // of all older lines, once counted
    bool older_indexed_ = false;
    bool older_all_known_ = false;  // older_totals_all_ counts them all

    // The newer lines, from split_ on.
    std::vector<std::uint64_t> newer_blocks_;  // [b]: where line 64 b starts
    std::uint32_t newer_count_ = 0;
    std::uint64_t newer_end_ = 0;  // the end of the last newer line with its line end
    bool open_ = false;            // the last newer line has no line end yet
    LineInfo open_info_;

    QString filter_text_;
    JournalFilter filter_;
    std::vector<std::uint32_t> newer_shown_, older_shown_;  // with a filter: the lines shown
    Totals totals_;

    int sort_column_ = -1;
    Qt::SortOrder sort_order_ = Qt::AscendingOrder;
    bool sorted_ready_ = false;
    std::vector<std::uint32_t> sorted_;  // the places in the file of the rows, sorted

    std::uint64_t generation_ = 0;  // of the job; reports of an older one are dropped
    std::unique_ptr<Job> job_;
    std::vector<std::unique_ptr<Job>> retired_;  // told to stop, not joined yet

    struct CachedBlock {
        bool newer = false;
        std::uint32_t block = UINT32_MAX;
        std::vector<Entry> entries;
    };
    mutable std::array<CachedBlock, 8> cache_;
    mutable std::size_t cache_next_ = 0;
};

// A total duration as hours, minutes and seconds: "0:00:00", "1:40:00", "123:05:09".
QString totalDurationText(std::int64_t seconds);
