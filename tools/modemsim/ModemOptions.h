#pragma once

#include <optional>
#include <string>
#include <vector>

// The simulator's command line:
//   zvonmat-modemsim --link PATH [--replies LIST] [--dial-delay MS] [--log FILE] [--echo]
//                   [--silent]
struct ModemOptions {
    std::string link;                                  // symbolic link made to the pty's device
    std::vector<std::string> replies{"CONNECT 2400"};  // answers to dial commands, last repeats
    int dial_delay_ms = 300;
    std::string log;  // empty: no log
    bool echo = false;
    bool silent = false;  // answers nothing at all, as a modem switched off
};

// The options of `args` (without the program name); nothing, with `error` set, when they are
// wrong.
std::optional<ModemOptions> ParseModemOptions(const std::vector<std::string>& args,
                                              std::string& error);

extern const char* const kModemUsage;
