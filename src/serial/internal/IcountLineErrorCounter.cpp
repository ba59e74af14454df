#include "serial/internal/IcountLineErrorCounter.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace serial {

bool IcountLineErrorCounter::Read(int fd, LineErrorCounts& counts) {
    serial_icounter_struct icount{};
    if (::ioctl(fd, TIOCGICOUNT, &icount) != 0) {
        return false;
    }
    counts.Frame = static_cast<std::uint32_t>(icount.frame);
    counts.Overrun = static_cast<std::uint32_t>(icount.overrun);
    counts.Parity = static_cast<std::uint32_t>(icount.parity);
    counts.BufferOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
    counts.Break = static_cast<std::uint32_t>(icount.brk);
    return true;
}

}  // namespace serial
