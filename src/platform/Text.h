#pragma once

#include <string_view>
#include <vector>

// Byte-level text handling shared by the data file formats.
namespace platform {

// `text` without the `blanks` at either end.
std::string_view trim(std::string_view text, std::string_view blanks = " \t");

// The value of a hexadecimal digit (either case), or -1 when `c` is not one.
int hex_digit(char c);

// Where lines end in a file format.
enum class LineEnds {
    // At LF. A CR right before the LF belongs to the line end, and so does a CR that ends the
    // bytes (a line end cut short); any other CR belongs to the text.
    Lf,
    // At CR LF, at LF, or at a CR that no LF follows ("\n\r" is two line ends).
    CrOrLf,
};

struct Line {
    std::string_view text;
    std::string_view end;  // "", "\n", "\r\n" or "\r"; the text and its end are adjacent bytes
};

// The lines of `bytes`. A last line without a line end counts; a line end at the very end
// starts no further line, so "" has no lines and "\r\n" one empty line.
std::vector<Line> split_lines(std::string_view bytes, LineEnds rule);

}  // namespace platform
