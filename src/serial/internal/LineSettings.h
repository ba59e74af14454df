#pragma once

#include <memory>

#include "serial/CommTypes.h"

struct termios;

namespace serial {

// The terminal settings of a serial device: the ones it had before the component configured it,
// which are put back when the component lets it go, and the raw line the component sets up. The
// hang-up on close (HUPCL) is set in both, whatever the device had: closing the port is how the
// program lets go of the line, so the last close must drop DTR and with it the call.
class LineSettings {
  public:
    LineSettings();
    ~LineSettings();
    LineSettings(const LineSettings&) = delete;
    LineSettings& operator=(const LineSettings&) = delete;

    // Remembers the settings of `fd`; false when they cannot be read.
    bool Save(int fd);
    // Puts the remembered settings back, if any were saved, with HUPCL set.
    void Restore(int fd) const;

    // Raw mode but the flow control as found (IXON, IXOFF, IXANY, CRTSCTS), receiver on, modem
    // lines ignored, hang-up on close, and the rate, parity,
    // character size and stop bits given. Results are not examined: a device that refuses a
    // setting keeps its own. Four data bits and one and a half stop bits do not exist on POSIX
    // terminals: the character size then stays at raw mode's 8 and 1.5 becomes 2 stop bits.
    static void Apply(int fd, TBaudRate rate, TParity parity, TDataBits data_bits,
                      TStopBits stop_bits);

    // What Apply does to the settings record, short of the rates without a Bxxx constant,
    // which the record cannot carry; false for those.
    static bool Configure(termios& settings, TBaudRate rate, TParity parity, TDataBits data_bits,
                          TStopBits stop_bits);

  private:
    std::unique_ptr<termios> saved_;
};

}  // namespace serial
