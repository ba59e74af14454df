#pragma once

#include "LineErrorCounter.h"

namespace serial {

// The serial driver's interrupt counters (TIOCGICOUNT). Pseudo-terminals and many USB adapters
// do not keep them; there the reader sees no line errors.
class TIcountLineErrorCounter : public TLineErrorCounter {
  public:
    bool Read(int fd, TLineErrorCounts& counts) override;
};

}  // namespace serial
