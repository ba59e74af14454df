#include "viewer/JournalFollower.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>

#include "platform/Files.h"
#include "platform/UniqueFd.h"

namespace {

constexpr std::size_t kHeadBytes = 64;
constexpr std::size_t kChunk = 64 * 1024;

// pread() that goes on after an interruption; -1 with errno on failure.
ssize_t read_at(int fd, char* buffer, std::size_t size, off_t offset) {
    ssize_t n;
    do {
        n = ::pread(fd, buffer, size, offset);
    } while (n < 0 && errno == EINTR);
    return n;
}

}  // namespace

JournalFollower::JournalFollower(std::string path) : path_(std::move(path)) {}

void JournalFollower::forget(Update& update) {
    update.restart = update.restart || known_ || tail_given_;
    update.replace_last = false;
    update.lines.clear();
    known_ = false;
    read_to_ = 0;
    head_.clear();
    tail_ = {};
    tail_given_ = false;
}

JournalFollower::Update JournalFollower::poll() {
    Update update;
    // O_NONBLOCK: a FIFO under the journal's name must not hang the viewer; it is refused below.
    platform::UniqueFd fd =
        platform::open_data_file(path_, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const int reason = !fd ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        state_ = reason == ENOENT ? State::Missing : State::Unreadable;
        error_ = std::error_code(reason, std::generic_category());
        forget(update);
        return update;
    }
    state_ = State::Readable;
    error_ = {};

    bool rewritten = known_ && (st.st_dev != dev_ || st.st_ino != ino_ || st.st_size < read_to_);
    if (known_ && !rewritten && !head_.empty()) {
        std::string head(head_.size(), '\0');
        rewritten =
            read_at(fd.get(), head.data(), head.size(), 0) != ssize_t(head.size()) || head != head_;
    }
    if (rewritten) {
        forget(update);
    }
    if (known_ && st.st_size == read_to_) {
        return update;
    }
    known_ = true;
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    read_from(fd.get(), std::size_t(st.st_size - read_to_), update);
    return update;
}

void JournalFollower::read_from(int fd, std::size_t expected, Update& update) {
    // The open line handed over last time comes again, longer or ended.
    const bool continues_tail = tail_given_;
    // As much as the file holds now, in chunks; what it gains meanwhile is read on too.
    std::string buffer(std::min(kChunk, expected + 1), '\0');
    for (;;) {
        const ssize_t n = read_at(fd, buffer.data(), buffer.size(), read_to_);
        if (n < 0) {
            state_ = State::Unreadable;
            error_ = std::error_code(errno, std::generic_category());
            break;
        }
        if (n == 0) {
            break;
        }
        const std::string_view chunk(buffer.data(), std::size_t(n));
        if (head_.size() < kHeadBytes) {
            head_.append(chunk.substr(0, kHeadBytes - head_.size()));
        }
        read_to_ += n;
        std::size_t at = 0;
        while (at < chunk.size()) {
            const std::size_t lf = chunk.find('\n', at);
            const std::string_view piece =
                chunk.substr(at, lf == std::string_view::npos ? std::string_view::npos : lf - at);
            const std::size_t room = kLineMax + 1 - std::min(tail_.bytes.size(), kLineMax + 1);
            tail_.bytes.append(
                piece.substr(0, room));  // one byte beyond the limit: a CR may end it
            if (piece.size() > room) {
                tail_.cut = true;
            }
            if (lf == std::string_view::npos) {
                break;
            }
            if (!tail_.bytes.empty() && tail_.bytes.back() == '\r' && !tail_.cut) {
                tail_.bytes.pop_back();
            }
            if (tail_.bytes.size() > kLineMax) {
                tail_.bytes.resize(kLineMax);
                tail_.cut = true;
            }
            update.lines.push_back(std::exchange(tail_, {}));
            at = lf + 1;
        }
    }
    if (!tail_.bytes.empty() || tail_.cut) {
        Line open = tail_;
        if (open.bytes.size() > kLineMax) {
            open.bytes.resize(kLineMax);
            open.cut = true;
        }
        update.lines.push_back(std::move(open));
        update.last_open = true;
    }
    update.replace_last = continues_tail && !update.restart && !update.lines.empty();
    if (!update.lines.empty()) {
        tail_given_ = update.last_open;
    }
}
