#include "platform/Text.h"

#include <algorithm>

namespace platform {

std::string_view trim(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<Line> split_lines(std::string_view bytes, LineEnds rule) {
    const std::string_view breaks = rule == LineEnds::Lf ? "\n" : "\r\n";
    std::vector<Line> lines;
    while (!bytes.empty()) {
        // The line end starts at `at` and is `size` bytes long.
        std::size_t at = std::min(bytes.find_first_of(breaks), bytes.size());
        std::size_t size = at < bytes.size() ? 1 : 0;
        if (rule == LineEnds::CrOrLf) {
            if (bytes.substr(at, 2) == "\r\n") {
                size = 2;
            }
        } else if (at > 0 && bytes[at - 1] == '\r') {
            --at;  // the CR of a CR LF, or a CR that ends the bytes
            ++size;
        }
        lines.push_back({bytes.substr(0, at), bytes.substr(at, size)});
        bytes.remove_prefix(at + size);
    }
    return lines;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace platform
