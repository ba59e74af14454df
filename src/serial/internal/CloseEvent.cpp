#include "serial/internal/CloseEvent.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstdint>

namespace serial {

bool CloseEvent::Create() noexcept {
    if (const int error = CreateFailure ? CreateFailure() : 0; error != 0) {
        fd_.reset();
        errno = error;
        return false;
    }
    fd_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    return static_cast<bool>(fd_);
}

void CloseEvent::Set() const noexcept {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(fd_.get(), &one, sizeof one);
}

bool CloseEvent::IsSet(int fd) noexcept {
    pollfd p{fd, POLLIN, 0};
    int result;
    do {
        result = ::poll(&p, 1, 0);
    } while (result < 0 && errno == EINTR);
    // Anything but "not set" counts as set, so a broken event stops the thread rather than
    // letting it run on unstoppable.
    return result != 0;
}

}  // namespace serial
