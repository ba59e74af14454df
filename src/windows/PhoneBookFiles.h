#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The phone book keeps one column per file: zvonmat<user>._tf holds the subscriber names and
// zvonmat<user>._fm the telephone numbers, line i being row i, as Windows-1251 bytes with no
// header, quoting or escaping.
//
// Reading: a line ends at CR, and one LF right after that CR belongs to the line end; an LF
// after no CR ends a line too, so files edited with Unix tools read line by line. A byte 26
// (Ctrl-Z) ends the file like its physical end. Only the first 50 lines count; rows the file
// has no line for are empty. Lines come back whole: cutting them is the window's business.
//
// Writing: exactly 50 lines, each ended by CR LF, every cell whole. A control character in a
// cell (CR, LF, Ctrl-Z, NUL, ...) is written as '?': it would split the line, or end the file
// and lose the rows after it, when the file is read back.

inline constexpr int kPhoneBookRows = 50;
// Cells taken from a file are cut to this many characters (bytes); cells are written whole.
inline constexpr std::size_t kPhoneBookCellMax = 20;

using PhoneBookColumn = std::array<std::string, kPhoneBookRows>;

std::string phone_book_names_path(std::string_view work_dir, std::string_view user_key);
std::string phone_book_numbers_path(std::string_view work_dir, std::string_view user_key);

PhoneBookColumn parse_phone_book(std::string_view bytes);
std::string format_phone_book(const PhoneBookColumn& column);

// The column in the file at `path`; nothing when the file cannot be opened (missing, not a
// plain file, no access). A failure while reading an opened file throws platform::Error
// "Cannot read file <path>: <reason>".
std::optional<PhoneBookColumn> read_phone_book(const std::string& path);

// Replaces the file's contents at once, so a failed write leaves the old file as it was.
// Throws platform::Error "Cannot create file <path>: <reason>" when it cannot.
void write_phone_book(const std::string& path, const PhoneBookColumn& column);

// Replaces the names file and the numbers file together: both new files are written before
// either replaces its old one, so a failure while writing leaves both as they were. Throws as
// write_phone_book() does, naming the file that failed.
void write_phone_book_pair(const std::string& names_path, const PhoneBookColumn& names,
                           const std::string& numbers_path, const PhoneBookColumn& numbers);
