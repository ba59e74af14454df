#pragma once

namespace serial {

// Line rates that have no Bxxx constant (14400, 56000, 128000, 256000) are set through the
// kernel's termios2 interface with BOTHER. Its header clashes with the C library's <termios.h>,
// so it lives in this file alone.

// Sets both directions of the open terminal `fd` to exactly `bps`; false when refused.
bool SetExactLineRate(int fd, unsigned bps) noexcept;

// The output rate the kernel holds for `fd`, in bits per second; 0 when it cannot be read.
unsigned ExactLineRate(int fd) noexcept;

}  // namespace serial
