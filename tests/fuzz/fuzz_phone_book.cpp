#include <algorithm>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFile.h"
#include "windows/PhoneBookFiles.h"

// The phone book column reader and writer. The input read as a file (from a file, and from its
// bytes) agrees with a reference that walks it byte by byte (lines end at CR, CR LF or LF; Ctrl-Z
// ends the file; 50 rows). Whatever a column holds, the writer makes 50 CR LF lines with no
// control character inside, which read back as the column with each control character written as
// '?'.
namespace {

PhoneBookColumn reference_parse(std::string_view bytes) {
    PhoneBookColumn column;
    std::size_t row = 0;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1a' && row < column.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            ++row;
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            column[row] += c;
        }
    }
    return column;
}

}  // namespace

FUZZ_TARGET(bytes) {
    static const ScratchFile file("zvonmat._fm");
    const PhoneBookColumn column = file.read_both_ways(bytes, parse_phone_book, read_phone_book);
    FUZZ_CHECK(column == reference_parse(bytes));

    PhoneBookColumn cleaned = column;
    for (std::string& cell : cleaned) {
        std::replace_if(
            cell.begin(), cell.end(), [](unsigned char c) { return c < 32; }, '?');
    }
    const std::string written = format_phone_book(column);
    std::size_t line_ends = 0;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (static_cast<unsigned char>(written[i]) < 32) {
            FUZZ_CHECK(written.compare(i, 2, "\r\n") == 0);
            ++line_ends;
            ++i;
        }
    }
    FUZZ_CHECK(line_ends == std::size_t(kPhoneBookRows));
    FUZZ_CHECK(parse_phone_book(written) == cleaned);
}
