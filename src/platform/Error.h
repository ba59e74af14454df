#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// An error meant for the user: its message (UTF-8) is shown as it stands by the error report.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace platform
