#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace platform {

// A private-profile (INI) file with the classic semantics: section and key names compare
// case-insensitively, blanks around names and values are trimmed, a value in matching quotes
// loses them, the first match wins. Writing a key replaces its line in place; a new key goes at
// the end of its section, a new section at the end of the file. Every other byte of the file is
// kept as it was. Texts are raw bytes (Windows-1251), never converted.
//
// Lines end at LF (a CR before it belongs to the line end). A line is read as a C string, up to
// its first NUL byte. Lines beginning with ';' are comments; a line without '=' is not a key.
// Of duplicate sections only the first one counts, for reading and for writing alike. A leading
// UTF-8 byte-order mark is skipped when reading and kept when writing.
class IniFile {
  public:
    // A missing or unreadable file reads as an empty document.
    static IniFile load(const std::string& path);
    // For a read-modify-write: a missing file is an empty document, but a file that exists and
    // cannot be read comes back with an error, so that saving never replaces contents that were
    // not read.
    struct Loaded;
    static Loaded load_for_update(const std::string& path);
    static IniFile parse(std::string_view bytes);

    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // Writes `key=value` CR LF. The value is cut at its first NUL, CR or LF (the line would end
    // there); a value that reading would change (blanks at either end, or matching quotes around
    // it) is written in double quotes so that it reads back exactly.
    void set_value(std::string_view section, std::string_view key, std::string_view value);

    // The whole document, as it would be written.
    std::string bytes() const;

    // Writes the whole file at once through a temporary file in the same directory and rename(),
    // so a crash leaves either the old or the new file. A symbolic link is followed and its
    // target replaced; the old file's mode is kept. An error when the file cannot be written,
    // including when the existing file is not writable by us.
    [[nodiscard]] std::error_code save(const std::string& path) const;

    struct Line {
        std::string text;
        std::string end;  // the line end as it was read (LineEnds::Lf)
    };

  private:
    std::vector<Line> lines_;
    bool byte_order_mark_ = false;  // the file began with a UTF-8 byte-order mark
};

struct IniFile::Loaded {
    IniFile ini;
    std::error_code error;  // why the existing file could not be read; empty when it was
};

// The reader's buffer holds 1024 bytes with the terminating NUL.
inline constexpr std::size_t kProfileValueMax = 1023;

// GetPrivateProfileString: the key's text cut to 1023 bytes, or `fallback` when the file,
// section or key is missing.
std::string read_profile_string(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view fallback);
// The same on a document already loaded (one read of the file for many keys).
std::string read_profile_string(const IniFile& ini, std::string_view section, std::string_view key,
                                std::string_view fallback);

// The integer rule of the settings file: "0x"/"0X" followed by hex digits (text longer than two
// characters) or "$" followed by hex digits is hexadecimal, taken as 32 bits (at most 8 digits;
// "0xFFFFFFFF" is -1); otherwise a decimal with an optional sign that fits 32 bits. Anything
// else, the empty text included, gives `fallback`.
std::int32_t parse_profile_int(std::string_view text, std::int32_t fallback);

}  // namespace platform
