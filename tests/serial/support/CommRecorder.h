#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "serial/ZRTComm32.h"

// Records what a component raises on the main thread, in order, with the time of each event.
struct CommEvent {
    enum Kind { Data, Hangup } kind;
    std::string bytes;
    bool zero_terminated = false;
    std::chrono::steady_clock::time_point at;
};

class CommRecorder {
  public:
    explicit CommRecorder(serial::TZRTComm32& comm);

    std::vector<CommEvent> events;

    std::size_t data_count() const;
    std::size_t hangup_count() const;
    // All received bytes joined, line-error texts included.
    std::string joined() const;
};

// Runs the main thread's event loop until `done` holds or `limit` passes; returns `done()`.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
// Whether `done` holds within `limit`, without running the event loop (so nothing is delivered).
bool WaitWithoutDelivering(const std::function<bool()>& done,
                           std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
// Runs the event loop for `period`.
void Pump(std::chrono::milliseconds period);
