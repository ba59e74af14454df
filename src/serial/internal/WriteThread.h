#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>

#include "serial/internal/PostQueue.h"
#include "serial/internal/WorkerThread.h"

namespace serial {

// The writer of the serial component: takes REQUEST_WRITE records from its own queue in the
// order posted and writes each block completely, continuing short writes from the first
// unwritten byte, before it looks at the next. It waits in poll() on the close event and either
// its queue or the device's room for output; the close event wins over queued requests and over
// a write in progress, whose unsent bytes are then dropped. A write error posts NOTIFY_HANGUP and
// ends the thread; a descriptor that is no longer valid ends it without one. When it ends it
// closes its queue, so later requests are refused and the blocks still queued are freed.
//
// It uses only the three values it was given (device, close event, notify queue) and its queue,
// never the component.
class TWriteThread {
  public:
    // Throws std::system_error when the queue cannot be created.
    TWriteThread(int device, int close_event, PostQueue& notify);

    // Starts the thread; throws std::system_error when it cannot be created.
    void Resume();
    bool WaitFor(std::chrono::milliseconds limit) { return thread_.WaitFor(limit); }
    // Whether the thread has met a failure and asked for the line to be hung up.
    bool Failed() const noexcept { return failed_.load(std::memory_order_acquire); }

    // The thread's own queue, for REQUEST_WRITE records.
    PostQueue& Queue() noexcept { return queue_; }

  private:
    void Execute();
    bool WriteBlock(const std::byte* block, std::size_t count);
    void PostHangup();

    const int device_;
    const int close_event_;
    PostQueue& notify_;
    PostQueue queue_;

    std::atomic<bool> failed_{false};
    WorkerThread thread_;  // last: joined before the fields above go
};

}  // namespace serial
