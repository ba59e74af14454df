#include "viewer/JournalFollower.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/Files.h"
#include "viewer/JournalLines.h"

namespace {

constexpr std::size_t kHeadBytes = 64;

}  // namespace

JournalFollower::JournalFollower(std::string path) : path_(std::move(path)) {}

void JournalFollower::forget(Change& change) {
    change.restart = change.restart || fd_;
    change.from = change.to = 0;
    fd_.reset();
    size_ = 0;
    head_.clear();
    end_.clear();
}

// The first bytes and the bytes before the end handed over are still what they were.
bool JournalFollower::unchanged(int fd) const {
    std::string bytes(std::max(head_.size(), end_.size()), '\0');
    const auto same = [&](const std::string& expected, std::uint64_t at) {
        return read_at(fd, bytes.data(), expected.size(), at) == ssize_t(expected.size()) &&
               std::equal(expected.begin(), expected.end(), bytes.begin());
    };
    return same(head_, 0) && same(end_, size_ - end_.size());
}

bool JournalFollower::remember(int fd, std::uint64_t size) {
    head_.resize(std::min<std::uint64_t>(size, kHeadBytes));
    end_.resize(std::min<std::uint64_t>(size, kFingerprintBytes));
    if (read_at(fd, head_.data(), head_.size(), 0) != ssize_t(head_.size()) ||
        read_at(fd, end_.data(), end_.size(), size - end_.size()) != ssize_t(end_.size())) {
        return false;
    }
    size_ = size;
    return true;
}

JournalFollower::Change JournalFollower::poll() {
    Change change;
    // O_NONBLOCK: a FIFO under the journal's name must not hang the viewer; it is refused below.
    platform::UniqueFd fd =
        platform::open_data_file(path_, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        const int reason = !fd ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        state_ = reason == ENOENT ? State::Missing : State::Unreadable;
        error_ = std::error_code(reason, std::generic_category());
        forget(change);
        return change;
    }
    state_ = State::Readable;
    error_ = {};

    const auto size = std::uint64_t(st.st_size);
    if (fd_ && (st.st_dev != dev_ || st.st_ino != ino_ || size < size_ || !unchanged(fd.get()))) {
        forget(change);
    }
    if (fd_ && size == size_) {
        return change;
    }
    const std::uint64_t from = fd_ ? size_ : 0;
    if (!remember(fd.get(), size)) {
        state_ = State::Unreadable;
        error_ = std::error_code(errno ? errno : EIO, std::generic_category());
        forget(change);
        return change;
    }
    change.from = from;
    change.to = size;
    if (!fd_) {
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        fd_ = std::move(fd);
    }
    return change;
}
