#pragma once

#include "serial/ModemLines.h"

namespace serial {

// The driver's modem lines (TIOCMGET, TIOCMBIS, TIOCMBIC). Pseudo-terminals have none: there
// Get fails and the component leaves the lines alone.
class IoctlModemLines : public ModemLines {
  public:
    bool Get(int fd, int& lines) override;
    bool Raise(int fd, int lines) override;
    bool Drop(int fd, int lines) override;
};

}  // namespace serial
