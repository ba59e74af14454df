#include "settings/QuickList.h"

#include "platform/FileError.h"
#include "platform/Files.h"
#include "platform/Text.h"

std::vector<std::string> parse_quick_list(std::string_view bytes) {
    std::vector<std::string> entries;
    for (const auto& line :
         platform::split_lines(bytes.substr(0, bytes.find('\0')), platform::LineEnds::CrOrLf)) {
        entries.emplace_back(line.text);
    }
    return entries;
}

std::string format_quick_list(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const std::string& entry : entries) {
        // A line break or NUL inside an entry would split it, or end the file, when read back.
        for (const char c : entry) {
            bytes += (c == '\r' || c == '\n' || c == '\0') ? '?' : c;
        }
        bytes += "\r\n";
    }
    return bytes;
}

void write_quick_list(const std::string& path, const std::vector<std::string>& entries) {
    if (const auto error = platform::replace_file(path, format_quick_list(entries))) {
        throw platform::file_error(platform::FileMessage::CannotCreate, path, error);
    }
}
