#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/UniqueFd.h"
#include "serial/internal/CommMessage.h"

namespace serial {

// A posted-message queue: many senders, one receiver. Post() never waits for the receiver; it
// holds the mutex only to append, and makes no system call under it. The receiver learns of
// records through WakeFd(), an eventfd that is readable while records are queued, so it can sit in
// poll() or behind a QSocketNotifier. A sender signals the eventfd after letting go of the mutex,
// so a signal may land just after the receiver has taken what it told of; the eventfd is then
// readable with nothing queued until the receiver's next Take(), which clears it. Like a window
// message queue it holds at most kCapacity records (or the capacity set), and a post fails once the
// receiver has closed the queue; a record whose post failed is destroyed, which frees its block on
// the sender's side.
//
// One place beyond the capacity is kept for records that must get through however full the queue
// is (PostReserved): a request such as a hang-up, which the receiver acts on alike however often
// it comes. Only reserved posts go beyond the capacity, so while that place is taken the newest
// record is a reserved one that the receiver has yet to see, and a further one adds nothing.
//
// A sender with a burst of records may post them without waking the receiver and wake it once
// for the lot (Wake()), so that the receiver wakes once per burst rather than once per record. A
// sender that does so must call Wake() before it waits or ends, or its records sit unseen.
class PostQueue {
  public:
    static constexpr std::size_t kCapacity = 10000;

    // Throws std::system_error when the eventfd cannot be created.
    PostQueue();
    PostQueue(const PostQueue&) = delete;
    PostQueue& operator=(const PostQueue&) = delete;

    // Appends the record; false when the queue is closed or full (the record is then freed).
    // With `wake` false the receiver is not told yet; a later Wake() or waking post tells it.
    bool Post(CommMessage message, bool wake = true) noexcept;

    // Appends the record even when the queue is full, into the place kept beyond the capacity,
    // and wakes the receiver. False when the queue is closed or that place is taken.
    bool PostReserved(CommMessage message) noexcept;

    // The most records that Post() queues. For tests that fill the queue; set it while empty.
    void SetCapacity(std::size_t capacity) noexcept;

    // Tells the receiver of the records that were posted without waking it.
    void Wake() noexcept;

    // Moves the oldest record into `message`; false when the queue is empty.
    bool Take(CommMessage& message) noexcept;

    // Removes every queued record of kind `msg` (freeing its block) and keeps the others in order.
    void Discard(unsigned msg) noexcept;

    // Refuses every later post and hands back the records still queued, so that the caller frees
    // their blocks.
    std::deque<CommMessage> Close() noexcept;

    int WakeFd() const noexcept { return wake_.get(); }

  private:
    bool Append(CommMessage message, std::size_t beyond, bool wake) noexcept;
    bool Raise() noexcept;
    void Signal() noexcept;
    void Clear() noexcept;

    std::mutex mutex_;
    std::deque<CommMessage> records_;
    std::size_t capacity_ = kCapacity;
    bool closed_ = false;
    bool signalled_ = false;     // a signal has been raised for the records queued
    std::uint64_t raised_ = 0;   // signals raised (each one write of 1 to the eventfd)
    std::uint64_t cleared_ = 0;  // of them, read back by the receiver
    platform::UniqueFd wake_;
};

}  // namespace serial
