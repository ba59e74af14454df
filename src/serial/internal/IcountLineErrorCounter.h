#pragma once

#include "serial/LineErrorCounter.h"

namespace serial {

// The serial driver's interrupt counters (TIOCGICOUNT). Pseudo-terminals and many USB adapters
// do not keep them; there the reader sees no line errors.
class IcountLineErrorCounter : public LineErrorCounter {
  public:
    bool Read(int fd, LineErrorCounts& counts) override;
};

}  // namespace serial
