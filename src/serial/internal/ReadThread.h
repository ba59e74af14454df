#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "serial/LineErrorCounter.h"
#include "serial/internal/Block.h"
#include "serial/internal/PostQueue.h"
#include "serial/internal/WorkerThread.h"

namespace serial {

// The reader of the serial component: takes bytes off the device and posts them to the
// component's notify queue in chunks. A chunk ends when the line has been quiet for 250 ms after
// its last byte, or at once when 2048 bytes have arrived; the clock is the monotonic one, kept
// here rather than in the terminal (VTIME counts tenths of a second).
//
// It asks the line-error counter for changes whenever it wakes and after every read that brought
// bytes, and posts each change as its text, ahead of the chunk the faulty bytes belong to. Where
// the device keeps the counters it also wakes every kLineErrorPoll to look, so that an error with
// no byte after it (a break, a framing error at the end of a reply) is reported too; where it
// keeps none (a pseudo-terminal) an idle reader never wakes. It waits in poll() on the close event
// and the device; the close event wins over everything, and nothing received after it is delivered.
// A failure of the device (hang-up, I/O error) posts NOTIFY_HANGUP and ends the thread; the thread
// never throws and never waits for the main thread.
//
// Every chunk that fills up wakes the main thread at once unless a wake is still pending (the
// notify queue keeps one flag for that), so a flood costs the main thread one wake-up per burst it
// takes, and a steady stream too slow to fill a read has each chunk delivered as it fills. Once a
// chunk has filled (a stream), each read follows the last at once, with no poll() between them: a
// terminal hands a stream over a few KiB per read, and a read that finds the kernel still handing
// bytes over waits for them. Once a read finds nothing, the reader looks kFloodGap for more before
// it waits. A stream that comes a few bytes a read (a modem's steady stream) is gathered for
// kFloodGap before each read instead: a read a millisecond rather than a wake-up a byte.
//
// A chunk that the notify queue refuses because it is full (the main thread has taken nothing for
// long) ends the reader like a failure of the device. Its hang-up request takes the place the
// queue keeps for one, so it reaches the main thread after the data queued before it.
//
// It uses only the three values it was given (device, close event, notify queue) and the line
// error counter, never the component.
class TReadThread {
  public:
    static constexpr std::size_t kBufferSize = 2048;  // the largest chunk
    // One read takes up to this much: whatever the terminal holds at once, cut into chunks here
    // rather than fetched a chunk per call.
    static constexpr std::size_t kReadSize = 32 * kBufferSize;
    // After a stream has drained the terminal, the reader looks this long for more before it
    // waits: a stream goes on within microseconds.
    static constexpr std::chrono::milliseconds kFloodGap{1};
    // A read of fewer bytes than this in a stream marks a trickle, which is gathered.
    static constexpr std::size_t kTrickle = 256;
    static constexpr std::chrono::milliseconds kSilence{250};
    // In a flood, reads follow one another without a wait; the close event is polled before
    // every kCloseCheckEvery-th of them.
    static constexpr int kCloseCheckEvery = 8;
    static constexpr std::chrono::milliseconds kLineErrorPoll{200};

    TReadThread(int device, int close_event, PostQueue& notify,
                std::shared_ptr<LineErrorCounter> line_errors);

    // Starts the thread; throws std::system_error when it cannot be created.
    void Resume();
    bool WaitFor(std::chrono::milliseconds limit) { return thread_.WaitFor(limit); }
    // Whether the thread has met a failure and asked for the line to be hung up.
    bool Failed() const noexcept { return failed_.load(std::memory_order_acquire); }

  private:
    using Clock = std::chrono::steady_clock;

    void Execute();
    void WaitLoop();
    bool SetupReadEvent();
    bool HandleReadEvent();
    bool DeliverFullChunks();
    bool MoreComesSoon();
    bool DeliverChunk(const std::byte* buffer, std::size_t count);
    void DeliverHeldBytes();
    bool SetupCommEvent();
    bool HandleCommEvent(std::uint32_t flags);
    bool CheckLineErrors();
    bool LineCheckFailed(int error);
    bool PostBlock(BlockPtr block, std::size_t count);
    void PostHangup();

    const int device_;
    const int close_event_;
    PostQueue& notify_;
    const std::shared_ptr<LineErrorCounter> line_errors_;

    bool counting_ = false;
    LineErrorCounts counts_;
    bool hung_up_ = false;
    int close_clear_for_ = 0;  // reads that may go before the close event is polled again
    std::array<std::byte, kReadSize> buffer_{};
    std::size_t count_ = 0;  // bytes of the chunk being gathered, at the start of buffer_
    Clock::time_point last_byte_;
    bool streaming_ = false;     // a full chunk has been posted since the reader last waited
    std::size_t last_read_ = 0;  // bytes the last read that brought any brought

    std::atomic<bool> failed_{false};
    WorkerThread thread_;  // last: joined before the fields above go
};

}  // namespace serial
