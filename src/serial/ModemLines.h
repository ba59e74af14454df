#pragma once

namespace serial {

// The modem control lines of an open device: DTR tells the modem that the terminal is ready (a
// modem hangs up when it drops), RTS lets it send. The lines are the TIOCM_* bits. Kept behind an
// interface so that tests can watch the lines, which a pseudo-terminal does not have. Called from
// the main thread only.
class ModemLines {
  public:
    virtual ~ModemLines() = default;

    // The state of the lines into `lines`; false when the device has no modem lines.
    virtual bool Get(int fd, int& lines) = 0;
    // Raises the lines in `lines`, leaving the others; false when that fails.
    virtual bool Raise(int fd, int lines) = 0;
    // Drops the lines in `lines`, leaving the others; false when that fails.
    virtual bool Drop(int fd, int lines) = 0;
};

}  // namespace serial
