#include "QuickList.h"

#include "Error.h"
#include "Files.h"

std::vector<std::string> parse_quick_list(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            entries.emplace_back(bytes.substr(start));
            break;
        }
        entries.emplace_back(bytes.substr(start, end - start));
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
    }
    return entries;
}

std::vector<std::string> read_quick_list(const std::string& path) {
    std::string bytes;
    if (platform::read_whole_file(path, bytes) != platform::ReadStatus::Ok) {
        return {};
    }
    return parse_quick_list(bytes);
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
    if (!platform::replace_file(path, format_quick_list(entries))) {
        throw platform::Error("Cannot create file " + path);
    }
}
