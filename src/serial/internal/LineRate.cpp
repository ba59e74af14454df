#include "serial/internal/LineRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace serial {

bool SetExactLineRate(int fd, unsigned bps) noexcept {
    termios2 settings{};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return false;
    }
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = bps;
    settings.c_ospeed = bps;
    return ::ioctl(fd, TCSETS2, &settings) == 0;
}

unsigned ExactLineRate(int fd) noexcept {
    termios2 settings{};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return 0;
    }
    return settings.c_ospeed;
}

}  // namespace serial
