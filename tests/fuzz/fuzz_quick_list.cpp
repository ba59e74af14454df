#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFile.h"
#include "platform/Files.h"
#include "settings/QuickList.h"

// The quick-dial list reader and writer. The input read as a file (from a file, and from its
// bytes) agrees with a reference that walks it byte by byte; what the writer makes of those entries
// reads back as the same entries. The input split at LF is also a list of entries as the program
// may hold them (with CR and NUL inside): they read back with each of those written as '?'.
namespace {

using Entries = std::vector<std::string>;

Entries reference_parse(std::string_view bytes) {
    Entries entries;
    std::string line;
    bool open = false;  // bytes since the last line end
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            entries.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += c;
            open = true;
        }
    }
    if (open) {
        entries.push_back(line);
    }
    return entries;
}

}  // namespace

FUZZ_TARGET(bytes) {
    static const ScratchFile file("zvonmat.lst");
    const Entries entries = file.read_both_ways(bytes, parse_quick_list, [](const auto& path) {
        return parse_quick_list(platform::read_whole_file(path).bytes);  // as the window loads it
    });
    FUZZ_CHECK(entries == reference_parse(bytes));
    for (const std::string& entry : entries) {
        FUZZ_CHECK(entry.find_first_of(std::string_view("\0\r\n", 3)) == std::string::npos);
    }
    FUZZ_CHECK(parse_quick_list(format_quick_list(entries)) == entries);

    Entries held;
    Entries cleaned;
    for (std::size_t start = 0, end; start < bytes.size(); start = end + 1) {
        end = std::min(bytes.find('\n', start), bytes.size());
        held.emplace_back(bytes.substr(start, end - start));
        cleaned.push_back(held.back());
        std::replace_if(
            cleaned.back().begin(), cleaned.back().end(),
            [](char c) { return c == '\r' || c == '\0'; }, '?');
    }
    FUZZ_CHECK(parse_quick_list(format_quick_list(held)) == cleaned);
}
