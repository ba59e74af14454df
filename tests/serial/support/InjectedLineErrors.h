#pragma once

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "serial/LineErrorCounter.h"

// Line errors that a test injects, as a driver's counters would show them. It counts how often
// the reader asks, can stand for a device that keeps no counters or whose counters fail, and can
// hold the reader inside Read until the test lets it go.
class InjectedLineErrors : public serial::LineErrorCounter {
  public:
    explicit InjectedLineErrors(bool supported = true) : supported_(supported) {}

    bool Read(int, serial::LineErrorCounts& counts) override {
        std::unique_lock lock(mutex_);
        ++reads_;
        ++inside_;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !holding_; });
        --inside_;
        counts = counts_;
        errno = error_;
        return supported_ && error_ == 0;
    }

    void Add(const serial::LineErrorCounts& more) {
        std::lock_guard lock(mutex_);
        counts_.Frame += more.Frame;
        counts_.Overrun += more.Overrun;
        counts_.Parity += more.Parity;
        counts_.BufferOverrun += more.BufferOverrun;
        counts_.Break += more.Break;
    }

    // Every Read from now on fails with `error`, as counters of a device that has gone away.
    void Fail(int error) {
        std::lock_guard lock(mutex_);
        error_ = error;
    }

    int Reads() const {
        std::lock_guard lock(mutex_);
        return reads_;
    }

    // Waits until the reader has asked at least `count` times.
    bool WaitForReads(int count, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return reads_ >= count; });
    }

    // Every Read from now on waits inside until Release.
    void Hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    // Waits until the reader is held inside Read.
    bool WaitUntilHeld(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return inside_ > 0; });
    }
    void Release() {
        std::lock_guard lock(mutex_);
        holding_ = false;
        changed_.notify_all();
    }

  private:
    const bool supported_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    serial::LineErrorCounts counts_;
    int error_ = 0;
    int reads_ = 0;
    int inside_ = 0;
    bool holding_ = false;
};
