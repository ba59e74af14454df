#pragma once

#include <functional>

namespace platform {

// The default system beep.
void message_beep();

// Replaces the beep (tests count beeps instead of sounding them); returns the old one.
std::function<void()> set_beep_handler(std::function<void()> beep);

}  // namespace platform
