#include "serial/internal/WriteThread.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "serial/internal/CloseEvent.h"
#include "serial/internal/CommMessage.h"
#include "serial/internal/DebugLog.h"

namespace serial {

TWriteThread::TWriteThread(int device, int close_event, PostQueue& notify)
    : device_(device), close_event_(close_event), notify_(notify) {}

void TWriteThread::Resume() {
    thread_.Start([this] { Execute(); });
}

void TWriteThread::Execute() {
    WorkerThread::RaiseCurrentPriority(1);
    for (;;) {
        CommMessage message;
        if (!queue_.Take(message)) {
            pollfd fds[2] = {{close_event_, POLLIN, 0}, {queue_.WakeFd(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                LogLastError(errno, "Write WAIT_FAILED: ");
                PostHangup();
                break;
            }
            if (fds[0].revents != 0) {
                break;
            }
            continue;
        }
        if (CloseEvent::IsSet(close_event_)) {
            break;
        }
        if (message.Msg != REQUEST_WRITE) {
            DebugLog("Unexpected message posted to Write thread: ", message.Msg);
            continue;
        }
        DebugLog("Writing to comm port");
        const bool written = WriteBlock(message.Block.get(), message.Count);
        message.Block.reset();
        if (!written) {
            break;
        }
    }
    DebugLog("Write thread shutting down");
    queue_.Close();
    ::tcflush(device_, TCOFLUSH);
}

bool TWriteThread::WriteBlock(const std::byte* block, std::size_t count) {
    std::size_t offset = 0;
    while (offset < count) {
        const ssize_t written = ::write(device_, block + offset, count - offset);
        if (written > 0) {
            offset += static_cast<std::size_t>(written);
            continue;
        }
        const int error = written == 0 ? EAGAIN : errno;
        if (error == EINTR) {
            continue;
        }
        if (error == EBADF) {
            DebugLog(kInvalidHandleLine);
            return false;
        }
        if (error != EAGAIN) {
            LogLastError(error, "Error to writing to CommFile");
            DebugLog("Closing TAPI");
            PostHangup();
            return false;
        }
        // The device's output buffer is full: wait for room, or for the close event, which
        // abandons the rest of this block.
        pollfd fds[2] = {{close_event_, POLLIN, 0}, {device_, POLLOUT, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            LogLastError(errno, "Write WAIT_FAILED: ");
            PostHangup();
            return false;
        }
        if (fds[0].revents != 0) {
            return false;
        }
        if (fds[1].revents & POLLNVAL) {
            DebugLog(kInvalidHandleLine);
            return false;
        }
        if ((fds[1].revents & POLLOUT) == 0) {
            // Hung up or in error with no room: the device is gone.
            LogLastError(EIO, "Error writing to CommFile while waiting");
            DebugLog("Closing TAPI");
            PostHangup();
            return false;
        }
    }
    return true;
}

void TWriteThread::PostHangup() {
    failed_.store(true, std::memory_order_release);
    notify_.PostReserved(CommMessage{NOTIFY_HANGUP, 0, {}});
}

}  // namespace serial
