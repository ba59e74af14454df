#pragma once

#include <functional>

#include "platform/UniqueFd.h"

namespace serial {

// The component's close event: an eventfd that the main thread sets once to make both worker
// threads stop. It stays readable once set, so it can sit in every poll() of both threads.
class CloseEvent {
  public:
    CloseEvent() = default;

    // Creates the eventfd; false (errno set) when that fails.
    bool Create() noexcept;

    // For tests: when set, Create asks it first and fails with the error number it returns, as
    // if the system had refused the eventfd; 0 lets Create go on. Set on the main thread while
    // no component is opening.
    static inline std::function<int()> CreateFailure;
    void Set() const noexcept;
    void Reset() noexcept { fd_.reset(); }

    int Fd() const noexcept { return fd_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(fd_); }

    // Polls the event without waiting: true when it is set (or cannot be polled).
    static bool IsSet(int fd) noexcept;

  private:
    platform::UniqueFd fd_;
};

}  // namespace serial
