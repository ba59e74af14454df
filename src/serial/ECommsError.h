#pragma once

#include <string>

#include "platform/Error.h"

namespace serial {

// The serial component's error: raised by OpenComm only. Its first line is a fixed English text;
// a failure to open the port adds a second line naming the port, its device and the reason.
class ECommsError : public platform::Error {
  public:
    using platform::Error::Error;
    ECommsError(const std::string& message, int system_error)
        : platform::Error(message), SystemError(system_error) {}

    // The errno value the system refused the port with; 0 when the failure was not the system's.
    int SystemError = 0;
};

}  // namespace serial
