#include "viewer/JournalLines.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

ssize_t read_at(int fd, char* buffer, std::size_t size, std::uint64_t offset) {
    ssize_t n;
    do {
        n = ::pread(fd, buffer, size, off_t(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

void take_line_bytes(JournalLine& line, std::string_view bytes) {
    if (line.ended && !bytes.empty() && bytes.back() == '\r') {
        bytes.remove_suffix(1);
    }
    if (bytes.size() > kJournalLineMax) {
        bytes = bytes.substr(0, kJournalLineMax);
        line.cut = true;
    }
    line.bytes = bytes;
}

std::uint64_t line_start_before(int fd, std::uint64_t at) {
    constexpr std::size_t kStep = 64 * 1024;
    std::string buffer(kStep, '\0');
    while (at > 0) {
        const std::size_t size = std::size_t(std::min<std::uint64_t>(at, kStep));
        if (read_at(fd, buffer.data(), size, at - size) != ssize_t(size)) {
            return 0;
        }
        if (const void* lf = ::memrchr(buffer.data(), '\n', size)) {
            return at - size + std::uint64_t(static_cast<const char*>(lf) - buffer.data()) + 1;
        }
        at -= size;
    }
    return 0;
}

LineReader::LineReader(int fd, std::uint64_t from, std::uint64_t to, std::size_t chunk)
    : fd_(fd), at_(from), to_(std::max(from, to)), buffer_(chunk, '\0') {}

void LineReader::restart(std::uint64_t from, std::uint64_t to) {
    at_ = from;
    to_ = std::max(from, to);
    pos_ = size_ = 0;
    failed_ = false;
}

bool LineReader::fill() {
    const std::size_t want = std::size_t(std::min<std::uint64_t>(buffer_.size(), to_ - at_));
    if (want == 0 || failed_) {
        return false;
    }
    const ssize_t n = read_at(fd_, buffer_.data(), want, at_);
    if (n <= 0) {
        failed_ = n < 0;
        return false;
    }
    at_ += std::uint64_t(n);
    pos_ = 0;
    size_ = std::size_t(n);
    return true;
}

bool LineReader::next(JournalLine& line) {
    if (pos_ == size_ && !fill()) {
        return false;
    }
    line.start = at_ - (size_ - pos_);
    line.cut = false;
    line.ended = false;
    std::string_view piece;
    const char* lf =
        static_cast<const char*>(std::memchr(buffer_.data() + pos_, '\n', size_ - pos_));
    if (lf) {
        // The usual case: the whole line is in the buffer.
        piece = std::string_view(buffer_.data() + pos_, std::size_t(lf - buffer_.data()) - pos_);
        pos_ = std::size_t(lf - buffer_.data()) + 1;
        line.ended = true;
    } else {
        // It runs on: keep one byte beyond the limit (a CR may end it), skip the rest to its LF.
        carry_.clear();
        for (;;) {
            const std::string_view rest(buffer_.data() + pos_, size_ - pos_);
            const std::size_t length = lf ? std::size_t(lf - buffer_.data()) - pos_ : rest.size();
            const std::size_t room =
                kJournalLineMax + 1 - std::min(carry_.size(), kJournalLineMax + 1);
            carry_.append(rest.substr(0, std::min(room, length)));
            line.cut = line.cut || length > room;
            if (lf) {
                pos_ += length + 1;
                line.ended = true;
                break;
            }
            pos_ = size_;
            if (!fill()) {
                break;
            }
            lf = static_cast<const char*>(std::memchr(buffer_.data(), '\n', size_));
        }
        piece = carry_;
    }
    line.end = at_ - (size_ - pos_);
    take_line_bytes(line, piece);
    return true;
}
