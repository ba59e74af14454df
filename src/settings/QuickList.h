#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The quick-dial list file: one number per line, newest first, Windows-1251 bytes. The program
// writes CR LF after every entry; it reads lines ended by CR, LF or CR LF, stops at a NUL byte,
// keeps empty lines as empty entries, and takes a last line without a line end as an entry.

inline constexpr std::size_t kQuickListMax = 50;

std::vector<std::string> parse_quick_list(std::string_view bytes);
// The file's bytes for `entries`: each followed by CR LF, a CR, LF or NUL inside one written as
// '?' so that it reads back as one entry.
std::string format_quick_list(const std::vector<std::string>& entries);

// Replaces the file's contents with `entries` at once. Throws platform::Error
// "Cannot create file <path>: <reason>" when it cannot.
void write_quick_list(const std::string& path, const std::vector<std::string>& entries);
