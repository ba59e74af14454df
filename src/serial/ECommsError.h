#pragma once

#include "platform/Error.h"

namespace serial {

// The serial component's error: raised by OpenComm only. Its first line is a fixed English text;
// a failure to open the port adds a second line naming the port, its device and the reason.
class ECommsError : public platform::Error {
  public:
    using platform::Error::Error;
};

}  // namespace serial
