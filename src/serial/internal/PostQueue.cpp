#include "serial/internal/PostQueue.h"

#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <system_error>
#include <utility>

namespace serial {

PostQueue::PostQueue() : wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!wake_) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

bool PostQueue::Post(CommMessage message, bool wake) noexcept {
    return Append(std::move(message), 0, wake);
}

bool PostQueue::PostReserved(CommMessage message) noexcept {
    return Append(std::move(message), 1, true);
}

void PostQueue::SetCapacity(std::size_t capacity) noexcept {
    std::lock_guard lock(mutex_);
    capacity_ = capacity;
}

// `beyond` is how many places past the capacity the record may take.
bool PostQueue::Append(CommMessage message, std::size_t beyond, bool wake) noexcept {
    bool signal = false;
    {
        std::lock_guard lock(mutex_);
        if (closed_ || records_.size() >= capacity_ + beyond) {
            return false;
        }
        try {
            records_.push_back(std::move(message));
        } catch (...) {
            return false;
        }
        signal = wake && Raise();
    }
    // Outside the mutex: the receiver never waits for the lock while a sender is in a system call.
    if (signal) {
        Signal();
    }
    return true;
}

void PostQueue::Wake() noexcept {
    bool signal = false;
    {
        std::lock_guard lock(mutex_);
        signal = !records_.empty() && Raise();
    }
    if (signal) {
        Signal();
    }
}

bool PostQueue::Take(CommMessage& message) noexcept {
    std::unique_lock lock(mutex_);
    if (records_.empty()) {
        // A signal that came after the records it told of were taken: cleared here, so that the
        // descriptor does not stay readable with nothing queued.
        if (raised_ != cleared_) {
            lock.unlock();
            Clear();
        }
        return false;
    }
    message = std::move(records_.front());
    records_.pop_front();
    if (records_.empty() && std::exchange(signalled_, false)) {
        lock.unlock();
        Clear();
    }
    return true;
}

void PostQueue::Discard(unsigned msg) noexcept {
    std::lock_guard lock(mutex_);
    std::erase_if(records_, [msg](const CommMessage& record) { return record.Msg == msg; });
    if (records_.empty() && std::exchange(signalled_, false)) {
        Clear();
    }
}

std::deque<CommMessage> PostQueue::Close() noexcept {
    std::lock_guard lock(mutex_);
    closed_ = true;
    if (std::exchange(signalled_, false)) {
        Clear();
    }
    return std::exchange(records_, {});
}

// Under the mutex: whether the caller must signal the eventfd, which it does after unlocking.
bool PostQueue::Raise() noexcept {
    if (std::exchange(signalled_, true)) {
        return false;
    }
    ++raised_;
    return true;
}

void PostQueue::Signal() noexcept {
    const std::uint64_t one = 1;
    // Cannot fail short of a counter overflow, which one increment per raise never reaches.
    [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
}

// Receiver only. Takes every signal that has reached the eventfd; one still on its way stays
// owed and is cleared by a later Take().
void PostQueue::Clear() noexcept {
    std::uint64_t value = 0;
    if (::read(wake_.get(), &value, sizeof value) == sizeof value) {
        cleared_ += value;
    }
}

}  // namespace serial
