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
    std::lock_guard lock(mutex_);
    return Append(std::move(message), capacity_, wake);
}

bool PostQueue::PostReserved(CommMessage message) noexcept {
    std::lock_guard lock(mutex_);
    return Append(std::move(message), capacity_ + 1, true);
}

void PostQueue::SetCapacity(std::size_t capacity) noexcept {
    std::lock_guard lock(mutex_);
    capacity_ = capacity;
}

bool PostQueue::Append(CommMessage message, std::size_t limit, bool wake) noexcept {
    if (closed_ || records_.size() >= limit) {
        return false;
    }
    try {
        records_.push_back(std::move(message));
    } catch (...) {
        return false;
    }
    // The eventfd is set by a waking post or Wake() and cleared when the queue turns empty, both
    // under the mutex, so it is readable only while records wait, and always once told of them.
    if (wake) {
        Signal();
    }
    return true;
}

void PostQueue::Wake() noexcept {
    std::lock_guard lock(mutex_);
    if (!records_.empty()) {
        Signal();
    }
}

bool PostQueue::Take(CommMessage& message) noexcept {
    std::lock_guard lock(mutex_);
    if (records_.empty()) {
        return false;
    }
    message = std::move(records_.front());
    records_.pop_front();
    if (records_.empty()) {
        Clear();
    }
    return true;
}

void PostQueue::Discard(unsigned msg) noexcept {
    std::lock_guard lock(mutex_);
    std::erase_if(records_, [msg](const CommMessage& record) { return record.Msg == msg; });
    if (records_.empty()) {
        Clear();
    }
}

std::deque<CommMessage> PostQueue::Close() noexcept {
    std::lock_guard lock(mutex_);
    closed_ = true;
    Clear();
    return std::exchange(records_, {});
}

void PostQueue::Signal() noexcept {
    if (std::exchange(signalled_, true)) {
        return;
    }
    const std::uint64_t one = 1;
    // Cannot fail short of a counter overflow, which one increment per clear->set turn never
    // reaches.
    [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
}

void PostQueue::Clear() noexcept {
    if (!std::exchange(signalled_, false)) {
        return;
    }
    std::uint64_t value = 0;
    [[maybe_unused]] auto read = ::read(wake_.get(), &value, sizeof value);
}

}  // namespace serial
