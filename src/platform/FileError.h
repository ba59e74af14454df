#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "platform/Error.h"

// How a failed file operation is told to the user. The file helpers return the system's reason
// as a std::error_code; the code that reports the failure picks the message and builds it here.
namespace platform {

enum class FileMessage {
    CannotCreate,   // "Cannot create file <path>"
    UnableToWrite,  // "Unable to write to <path>"
    CannotRead,     // "Cannot read file <path>"
    JournalWrite,   // "Cannot write to the journal <path>"
};

// The message of `kind` about `path`, followed by ": " and the reason's text when `reason`
// holds an error.
std::string file_error_message(FileMessage kind, std::string_view path,
                               std::error_code reason = {});
// The same message as the error to throw.
Error file_error(FileMessage kind, std::string_view path, std::error_code reason = {});

// Reasons a file operation fails for that no errno names.
enum class FileErrc {
    NotRegular = 1,  // the path names something else than a plain file or a directory
};

const std::error_category& file_category();
std::error_code make_error_code(FileErrc e);

}  // namespace platform

template <>
struct std::is_error_code_enum<platform::FileErrc> : std::true_type {};
