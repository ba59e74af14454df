#pragma once

#include <functional>

namespace platform {

// The program's beep. Silent until the application installs the desktop's beep
// (install_widget_reports()).
void message_beep();

// Replaces the beep (tests count beeps instead of sounding them); returns the old one. An empty
// function makes the beep silent.
std::function<void()> set_beep_handler(std::function<void()> beep);

}  // namespace platform
