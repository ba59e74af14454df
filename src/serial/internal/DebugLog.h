#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace serial {

// Diagnostics of the serial component and its threads. Lines go to the debug log only while one
// is active (SetDebugLog with a sink); the program never activates one, so they are discarded.
// All three functions may be called from any thread and never throw.
void DebugLog(std::string_view line) noexcept;
// The line followed by `number` in decimal.
void DebugLog(std::string_view line, long long number) noexcept;

// The line for a device descriptor that is no longer valid, written by both threads.
inline constexpr std::string_view kInvalidHandleLine =
    "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.";

// Who reads the text of a system error.
enum class ReasonFor {
    User,      // an error message: the system's description in the user's language; a port that
               // another opener holds is "already in use", a device that is no terminal "not a
               // terminal"
    DebugLog,  // the system's untranslated description; nothing for a code it does not know
};
// The component's one text for errno value `code`.
std::optional<std::string> ErrnoReason(int code, ReasonFor reader);

// Logs a failed system call: prefix, "GetLastError returned: " and the error's description in
// double quotes; prefix followed by "Out of memory" when there is no description for `code`.
// A null prefix counts as empty.
void LogLastError(int code, const char* prefix) noexcept;

// The system's debug output, which a developer can watch: the logging category
// "zvonmat.serial", whose debug messages are off unless enabled (QT_LOGGING_RULES).
void DebugOutput(std::string_view line) noexcept;

using DebugLogSink = std::function<void(std::string_view line)>;

// Activates the debug log (an empty sink deactivates it); returns the previous sink. The sink is
// called from any of the component's threads, one line at a time.
DebugLogSink SetDebugLog(DebugLogSink sink);

}  // namespace serial
