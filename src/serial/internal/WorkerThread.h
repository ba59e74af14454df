#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace serial {

// A worker thread with what the serial component needs of one: start it, wait for its end with a
// time limit, and join it when it goes. Owners keep it as their
// last member so that the thread has ended before anything it uses is destroyed.
class WorkerThread {
  public:
    WorkerThread() = default;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread();

    // Runs `body` on a new thread; throws std::system_error when no thread can be created.
    // An exception escaping the body ends the thread quietly.
    void Start(std::function<void()> body);

    // For tests: when set, Start asks it first and throws std::system_error with the error
    // number it returns, as if the system had refused the thread; 0 lets Start go on. Set on the
    // main thread while no thread is being started.
    static inline std::function<int()> StartFailure;

    // True when the thread has ended (or never started) within `limit`.
    bool WaitFor(std::chrono::milliseconds limit);

    // Best effort: moves the calling thread `steps` nice levels above normal. Raising needs
    // privileges the program usually lacks; failing is not an error.
    static void RaiseCurrentPriority(int steps) noexcept;

  private:
    std::mutex mutex_;
    std::condition_variable ended_changed_;
    bool ended_ = true;
    std::thread thread_;
};

}  // namespace serial
