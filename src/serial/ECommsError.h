#pragma once

#include "Error.h"

namespace serial {

// The serial component's error: raised by OpenComm only, carrying a fixed English text.
class ECommsError : public platform::Error {
  public:
    using platform::Error::Error;
};

}  // namespace serial
