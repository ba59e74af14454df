#include "serial/internal/WorkerThread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <system_error>
#include <utility>

namespace serial {

WorkerThread::~WorkerThread() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void WorkerThread::Start(std::function<void()> body) {
    {
        std::lock_guard lock(mutex_);
        ended_ = false;
    }
    try {
        if (const int error = StartFailure ? StartFailure() : 0; error != 0) {
            throw std::system_error(error, std::generic_category());
        }
        thread_ = std::thread([this, body = std::move(body)] {
            try {
                body();
            } catch (...) {
            }
            std::lock_guard lock(mutex_);
            ended_ = true;
            ended_changed_.notify_all();
        });
    } catch (...) {
        std::lock_guard lock(mutex_);
        ended_ = true;
        throw;
    }
}

bool WorkerThread::WaitFor(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return ended_changed_.wait_for(lock, limit, [this] { return ended_; });
}

void WorkerThread::RaiseCurrentPriority(int steps) noexcept {
    // On Linux a nice value set through a thread id applies to that thread alone.
    [[maybe_unused]] int ignored =
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -steps);
}

}  // namespace serial
