#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

// Follows the call journal as the dialler appends to it: each poll() hands over the lines that
// have come since the last one. The file is only ever opened for reading.
//
// A journal grows only at its end. When the file is replaced (another file under the name),
// cut shorter, or its beginning changes, everything is read again from the start; when it goes,
// nothing is left. A last line without its line end is handed over as it stands, flagged open,
// and handed over again, whole, once its end has come. Reading goes on from where the last poll
// stopped, so a poll costs what was appended, however large the file.
class JournalFollower {
  public:
    // A line longer than this keeps its first bytes and is flagged cut: a damaged file (one
    // huge run of NUL bytes, say) costs no more memory than a record would.
    static constexpr std::size_t kLineMax = 4096;

    struct Line {
        std::string bytes;  // without the line end (LF, or CR LF)
        bool cut = false;
    };
    struct Update {
        bool restart = false;       // forget the lines handed over before; `lines` start the file
        bool replace_last = false;  // lines[0] is the open last line handed over before, now longer
        std::vector<Line> lines;
        bool last_open = false;  // the last of `lines` has no line end yet
        bool empty() const { return !restart && lines.empty(); }
    };
    enum class State { Missing, Readable, Unreadable };

    explicit JournalFollower(std::string path);

    // What has changed since the last poll (everything, the first time).
    Update poll();

    State state() const { return state_; }
    // Why the file could not be read, in state Unreadable.
    std::error_code error() const { return error_; }

  private:
    void forget(Update& update);
    void read_from(int fd, std::size_t expected, Update& update);

    std::string path_;
    State state_ = State::Missing;
    std::error_code error_;

    bool known_ = false;  // lines have been handed over from the file identified by dev_/ino_
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    off_t read_to_ = 0;        // bytes read so far
    std::string head_;         // the first bytes of the file, to notice a rewrite
    Line tail_;                // the open last line, as far as it has come
    bool tail_given_ = false;  // tail_ has been handed over
};
