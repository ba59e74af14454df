#include "serial/internal/ReadThread.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <utility>

#include "serial/internal/CloseEvent.h"
#include "serial/internal/CommEvent.h"
#include "serial/internal/CommMessage.h"
#include "serial/internal/DebugLog.h"

namespace serial {

namespace {

constexpr std::size_t kCommEventBlockSize = 256;

timespec ToTimespec(std::chrono::nanoseconds left) {
    if (left.count() < 0) {
        left = {};
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    return timespec{static_cast<time_t>(seconds.count()),
                    static_cast<long>((left - seconds).count())};
}

}  // namespace

TReadThread::TReadThread(int device, int close_event, PostQueue& notify,
                         std::shared_ptr<LineErrorCounter> line_errors)
    : device_(device),
      close_event_(close_event),
      notify_(notify),
      line_errors_(std::move(line_errors)) {}

void TReadThread::Resume() {
    thread_.Start([this] { Execute(); });
}

void TReadThread::Execute() {
    WorkerThread::RaiseCurrentPriority(2);
    if (!SetupCommEvent()) {
        LogLastError(errno, "Unable to SetupCommEvent1: ");
        PostHangup();
    } else if (!SetupReadEvent()) {
        LogLastError(errno, "Unable to SetupReadEvent: ");
        PostHangup();
    } else {
        WaitLoop();
    }
    DebugLog("Read thread shutting down");
    ::tcflush(device_, TCIFLUSH);
}

void TReadThread::WaitLoop() {
    for (;;) {
        pollfd fds[2] = {{close_event_, POLLIN, 0}, {device_, POLLIN, 0}};
        timespec timeout{};
        const timespec* limit = nullptr;
        const Clock::time_point now = Clock::now();
        Clock::time_point wake_at = Clock::time_point::max();
        if (count_ > 0) {
            wake_at = last_byte_ + kSilence;
        }
        if (counting_) {
            wake_at = std::min(wake_at, now + kLineErrorPoll);
        }
        if (wake_at != Clock::time_point::max()) {
            timeout = ToTimespec(wake_at - now);
            limit = &timeout;
        }
        streaming_ = false;
        if (::ppoll(fds, 2, limit, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            LogLastError(errno, "Read WAIT_FAILED: ");
            PostHangup();
            return;
        }
        if (fds[0].revents != 0) {
            DebugOutput("Time to Exit");
            return;
        }
        if (fds[1].revents & POLLNVAL) {
            DebugLog(kInvalidHandleLine);
            PostHangup();
            return;
        }
        hung_up_ = (fds[1].revents & (POLLHUP | POLLERR)) != 0;
        close_clear_for_ = 1;
        // Whatever woke the reader, the counters are looked at: an error that no byte follows
        // is reported now, and one that came with bytes still held goes ahead of their chunk.
        if (!CheckLineErrors()) {
            return;
        }
        if (!HandleReadEvent()) {
            PostHangup();
            LogLastError(errno, "Unable to HandleReadEvent: ");
            return;
        }
        if (!SetupReadEvent()) {
            PostHangup();
            return;
        }
    }
}

// Reads what the device holds, delivering every chunk that fills up. True when the reader should
// wait again; false when it must end (the close event is set, or the device failed, which has
// been reported). The close event is polled before a read unless a wait has just found it clear
// or fewer than kCloseCheckEvery reads have followed its last poll, so that a flood that never
// lets the reader wait still stops within a few reads of CloseComm.
bool TReadThread::SetupReadEvent() {
    bool looked = false;  // whether MoreComesSoon was asked since the last read that brought bytes
    for (;;) {
        if (close_clear_for_ > 0) {
            --close_clear_for_;
        } else if (CloseEvent::IsSet(close_event_)) {
            return false;
        } else {
            close_clear_for_ = kCloseCheckEvery - 1;
        }
        const std::size_t room = kReadSize - count_;
        const ssize_t got = ::read(device_, buffer_.data() + count_, room);
        if (got > 0) {
            count_ += static_cast<std::size_t>(got);
            last_read_ = static_cast<std::size_t>(got);
            last_byte_ = Clock::now();
            // The counters move when the faulty byte is received, before it can be read, so
            // asking after the read puts the error text ahead of the bytes that came with it.
            if (!CheckLineErrors()) {
                return false;
            }
            looked = false;
            if (!DeliverFullChunks()) {
                return false;
            }
            // In a flood the next read follows at once: a terminal hands a stream over a few KiB
            // per read, and a read that finds the kernel still handing bytes over waits for them,
            // which costs less than a poll() first.
            if (static_cast<std::size_t>(got) == room || streaming_) {
                continue;
            }
            // A short read took all there was: wait for more.
            DebugLog("Waiting for data from comm connection.");
            return true;
        }
        // End of file means the terminal has been hung up.
        const int error = got == 0 ? EIO : errno;
        if (error == EINTR) {
            continue;
        }
        if (error == EAGAIN && !hung_up_) {
            // In a stream, once per empty read, a short look for more before waiting.
            if (!std::exchange(looked, true) && MoreComesSoon()) {
                continue;
            }
            DebugLog("Waiting for data from comm connection.");
            return true;
        }
        if (error == EBADF) {
            DebugLog(kInvalidHandleLine);
            return false;
        }
        // The device has failed or gone away. What arrived before is still delivered, so that a
        // last reply is not lost; then the owner hears of the failure.
        DeliverHeldBytes();
        LogLastError(error == EAGAIN ? EIO : error, "Unexpected ReadFile error: ");
        PostHangup();
        return false;
    }
}

// The bytes held form a finished chunk once the line has been quiet for kSilence.
bool TReadThread::HandleReadEvent() {
    if (count_ == 0 || Clock::now() < last_byte_ + kSilence) {
        return true;
    }
    return DeliverChunk(buffer_.data(), std::exchange(count_, 0));
}

// Every whole chunk of the bytes held goes at once; the rest, less than a chunk, moves to the front
// to wait for more or for silence.
bool TReadThread::DeliverFullChunks() {
    std::size_t offset = 0;
    for (; count_ - offset >= kBufferSize; offset += kBufferSize) {
        DebugLog("Data waiting for ReadFile: ");
        if (!DeliverChunk(buffer_.data() + offset, kBufferSize)) {
            return false;
        }
        streaming_ = true;
    }
    if (offset > 0) {
        count_ -= offset;
        std::memmove(buffer_.data(), buffer_.data() + offset, count_);
    }
    return true;
}

// In a stream (a chunk has filled since the reader last waited), whether to read on instead of
// waiting. A flood goes on within microseconds: the reader reads on as soon as a byte comes within
// kFloodGap. A trickle (the last read brought few bytes) is gathered: the reader lets kFloodGap
// pass, watching only the close event, and reads what came, so that a steady stream costs a read
// a millisecond rather than a wake-up a byte; a read that then finds nothing sends it to wait. A
// reply followed by silence fills no chunk and is not held up here.
bool TReadThread::MoreComesSoon() {
    if (!streaming_) {
        return false;
    }
    const bool trickle = last_read_ < kTrickle;
    pollfd fds[2] = {{close_event_, POLLIN, 0}, {device_, POLLIN, 0}};
    const int timeout = static_cast<int>(kFloodGap.count());
    const int ready = ::poll(fds, trickle ? 1 : 2, timeout);
    if (ready < 0 || fds[0].revents != 0 || (!trickle && (ready == 0 || fds[1].revents == 0))) {
        return false;
    }
    // The close event was clear just now; a hang-up shows at the next read.
    close_clear_for_ = std::max(close_clear_for_, 1);
    hung_up_ = (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    return true;
}

bool TReadThread::DeliverChunk(const std::byte* buffer, std::size_t count) {
    DebugLog("Got something from Comm port!!!");
    BlockPtr block = CopyBlock(buffer, count);
    if (!block) {
        LogLastError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    return PostBlock(std::move(block), count);
}

// What has been read but not yet delivered goes out before the reader ends on a failure, so that
// a last reply is not lost.
void TReadThread::DeliverHeldBytes() {
    if (count_ > 0) {
        DeliverChunk(buffer_.data(), std::exchange(count_, 0));
    }
}

// Takes the line-error counters as they stand, so that only later errors are reported.
bool TReadThread::SetupCommEvent() {
    if (CloseEvent::IsSet(close_event_)) {
        return false;
    }
    counting_ = line_errors_ && line_errors_->Read(device_, counts_);
    if (counting_) {
        DebugLog("Waiting for a CommEvent (Error) to occur.");
    }
    return true;
}

// False when the counters, readable at the start, can no longer be read or a change cannot be
// reported: the reader then delivers what it holds, says why and asks for the hang-up.
bool TReadThread::CheckLineErrors() {
    if (!counting_) {
        return true;
    }
    LineErrorCounts now;
    if (!line_errors_->Read(device_, now)) {
        const int error = errno;
        LogLastError(error, "ClearCommError: ");
        return LineCheckFailed(error);
    }
    const std::uint32_t flags = LineErrorFlags(counts_, now);
    counts_ = now;
    if (flags != 0 && !HandleCommEvent(flags)) {
        return LineCheckFailed(ENOMEM);
    }
    return true;
}

bool TReadThread::LineCheckFailed(int error) {
    DeliverHeldBytes();
    LogLastError(error, "Unable HandleCommEvent: ");
    PostHangup();
    return false;
}

bool TReadThread::HandleCommEvent(std::uint32_t flags) {
    BlockPtr block = NewBlock(kCommEventBlockSize);
    if (!block) {
        LogLastError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    std::size_t length = 0;
    try {
        const std::string text = CommEventText(flags);
        length = std::min(text.size(), kCommEventBlockSize - 1);
        std::memcpy(block.get(), text.data(), length);
    } catch (const std::bad_alloc&) {
        LogLastError(ENOMEM, "LocalAlloc: ");
        return false;
    }
    // A text that cannot be posted is dropped like any other notification; the reader goes on.
    PostBlock(std::move(block), length);
    return true;
}

bool TReadThread::PostBlock(BlockPtr block, std::size_t count) {
    return notify_.Post(CommMessage{NOTIFY_RXDATA, count, std::move(block)});
}

void TReadThread::PostHangup() {
    failed_.store(true, std::memory_order_release);
    notify_.PostReserved(CommMessage{NOTIFY_HANGUP, 0, {}});
}

}  // namespace serial
