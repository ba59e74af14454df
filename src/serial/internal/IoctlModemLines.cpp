#include "serial/internal/IoctlModemLines.h"

#include <sys/ioctl.h>

namespace serial {

bool IoctlModemLines::Get(int fd, int& lines) {
    return ::ioctl(fd, TIOCMGET, &lines) == 0;
}

bool IoctlModemLines::Raise(int fd, int lines) {
    return ::ioctl(fd, TIOCMBIS, &lines) == 0;
}

bool IoctlModemLines::Drop(int fd, int lines) {
    return ::ioctl(fd, TIOCMBIC, &lines) == 0;
}

}  // namespace serial
