#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reading the journal's lines straight from the file, a piece at a time, so that no more of it is
// held than the piece being read.

// A line longer than this keeps its first bytes and is flagged cut: a damaged file (one huge run
// of NUL bytes, say) costs no more than a record would.
inline constexpr std::size_t kJournalLineMax = 4096;

struct JournalLine {
    std::uint64_t start = 0;  // where its first byte is in the file
    std::uint64_t end = 0;    // just after its line end, or where the bytes read end
    std::string_view bytes;   // without the line end (LF, or CR LF); valid until the next read
    bool cut = false;         // longer than kJournalLineMax: bytes holds its beginning
    bool ended = true;        // it has its LF; the last line of a file may not have one yet
};

// pread() that goes on after an interruption; -1 with errno on failure.
ssize_t read_at(int fd, char* buffer, std::size_t size, std::uint64_t offset);

// Hands `bytes`, a line without its LF, over as `line`'s: a CR before the LF (an ended line's last
// byte) goes, and a line longer than kJournalLineMax keeps its first bytes, flagged cut.
void take_line_bytes(JournalLine& line, std::string_view bytes);

// Where the line holding the byte before `at` starts: just after the last LF before `at`, or 0.
std::uint64_t line_start_before(int fd, std::uint64_t at);

// The lines of the bytes [from, to) of a file, in order; `from` is a line's start. Every LF ends
// a line and nothing else does.
class LineReader {
  public:
    LineReader(int fd, std::uint64_t from, std::uint64_t to, std::size_t chunk = 1 << 20);

    // Reads the bytes [from, to) instead, keeping the buffer.
    void restart(std::uint64_t from, std::uint64_t to);
    // The next line; false at `to`, or when the file could not be read (failed() tells).
    bool next(JournalLine& line);
    bool failed() const { return failed_; }

  private:
    bool fill();

    int fd_;
    std::uint64_t at_, to_;  // the next byte to read, the end
    std::string buffer_;
    std::size_t pos_ = 0, size_ = 0;  // what of buffer_ is not handed over yet
    std::string carry_;               // a line that runs over the buffer's end
    bool failed_ = false;
};
