#include "platform/IniFile.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <initializer_list>

#include "platform/Cp1251.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace platform {
namespace {

constexpr std::string_view kIniBlanks = " \t\r\v\f";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_blank(char c) {
    return kIniBlanks.find(c) != std::string::npos;
}

bool is_quote(char c) {
    return c == '"' || c == '\'';
}

std::string_view unquote(std::string_view s) {
    if (s.size() >= 2 && is_quote(s.front()) && s.back() == s.front()) {
        return s.substr(1, s.size() - 2);
    }
    return s;
}

// Names are compared without regard to case, Cyrillic letters of the code page included. The
// fold table comes from Unicode case folding, applied through the code page.
const std::array<unsigned char, 256>& fold_table() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString original = fromCp1251(std::string_view(&byte, 1));
            const QString folded = original.toCaseFolded();
            const std::string back = toCp1251(folded);
            t[b] = back.size() == 1 && fromCp1251(back) == folded
                       ? static_cast<unsigned char>(back[0])
                       : static_cast<unsigned char>(b);
        }
        return t;
    }();
    return table;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    const auto& fold = fold_table();
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])]) {
            return false;
        }
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed and unquoted
};

LineInfo classify(std::string_view line) {
    // Everything from the first NUL on is not part of the line's text.
    const std::string_view text = trim(line.substr(0, line.find('\0')), kIniBlanks);
    if (text.empty() || text.front() == ';') {
        return {};
    }
    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) {
            return {};
        }
        return {LineKind::Section, trim(text.substr(1, close - 1), kIniBlanks), {}};
    }
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        return {};
    }
    return {LineKind::Key, trim(text.substr(0, eq), kIniBlanks),
            unquote(trim(text.substr(eq + 1), kIniBlanks))};
}

// Joins pieces with one allocation. (Chains of operator+ on temporaries also trip a false
// -Wrestrict report of GCC 12 at -O3.)
std::string concat(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) {
        size += piece.size();
    }
    std::string joined;
    joined.reserve(size);
    for (std::string_view piece : pieces) {
        joined.append(piece);
    }
    return joined;
}

// Cuts a value where its line would end, and quotes it where reading would alter it.
std::string encode_value(std::string_view value) {
    value = value.substr(0, value.find_first_of(std::string_view("\0\r\n", 3)));
    const bool altered_by_reading =
        !value.empty() &&
        (is_blank(value.front()) || is_blank(value.back()) ||
         (value.size() >= 2 && is_quote(value.front()) && value.back() == value.front()));
    if (altered_by_reading) {
        return concat({"\"", value, "\""});
    }
    return std::string(value);
}

// Makes `line` end with LF before another line follows it.
void end_line(IniFile::Line& line) {
    if (!line.end.ends_with('\n')) {
        line.end += "\r\n";
    }
}

}  // namespace

IniFile IniFile::parse(std::string_view bytes) {
    IniFile ini;
    // Editors that mark UTF-8 put a byte-order mark before the first section; it is no part of
    // the first line, and goes back in front when the file is written.
    if (bytes.starts_with(kByteOrderMark)) {
        ini.byte_order_mark_ = true;
        bytes.remove_prefix(kByteOrderMark.size());
    }
    for (const auto& line : split_lines(bytes, LineEnds::Lf)) {
        ini.lines_.push_back({std::string(line.text), std::string(line.end)});
    }
    return ini;
}

IniFile IniFile::load(const std::string& path) {
    return parse(read_whole_file(path).bytes);
}

IniFile::Loaded IniFile::load_for_update(const std::string& path) {
    FileRead read = read_whole_file(path);
    return {parse(read.bytes),
            read.error == std::errc::no_such_file_or_directory ? std::error_code() : read.error};
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    section = trim(section, kIniBlanks);
    key = trim(key, kIniBlanks);
    bool in_section = false;
    for (const auto& line : lines_) {
        const LineInfo info = classify(line.text);
        if (info.kind == LineKind::Section) {
            if (in_section) {
                return std::nullopt;  // the first section of that name has ended
            }
            in_section = same_name(info.name, section);
        } else if (in_section && info.kind == LineKind::Key && same_name(info.name, key)) {
            return std::string(info.value);
        }
    }
    return std::nullopt;
}

void IniFile::set_value(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section, kIniBlanks);
    key = trim(key, kIniBlanks);
    Line new_line{concat({key, "=", encode_value(value)}), "\r\n"};

    std::size_t header = std::string::npos;
    std::size_t last_in_section = std::string::npos;  // the header or the section's last key line
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineInfo info = classify(lines_[i].text);
        if (info.kind == LineKind::Section) {
            if (header != std::string::npos) {
                break;
            }
            if (same_name(info.name, section)) {
                header = last_in_section = i;
            }
        } else if (header != std::string::npos && info.kind == LineKind::Key) {
            if (same_name(info.name, key)) {
                lines_[i] = std::move(new_line);
                return;
            }
            last_in_section = i;
        }
    }

    if (header == std::string::npos) {
        if (!lines_.empty()) {
            end_line(lines_.back());
        }
        lines_.push_back({concat({"[", section, "]"}), "\r\n"});
        lines_.push_back(std::move(new_line));
        return;
    }
    end_line(lines_[last_in_section]);
    lines_.insert(lines_.begin() + std::ptrdiff_t(last_in_section + 1), std::move(new_line));
}

std::string IniFile::bytes() const {
    std::string out(byte_order_mark_ ? kByteOrderMark : std::string_view());
    for (const auto& line : lines_) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::error_code IniFile::save(const std::string& path) const {
    return replace_file(path, bytes());
}

std::string read_profile_string(const IniFile& ini, std::string_view section, std::string_view key,
                                std::string_view fallback) {
    const auto value = ini.value(section, key);
    const std::string_view text = value ? std::string_view(*value) : fallback;
    return std::string(text.substr(0, kProfileValueMax));
}

std::string read_profile_string(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view fallback) {
    return read_profile_string(IniFile::load(path), section, key, fallback);
}

std::int32_t parse_profile_int(std::string_view text, std::int32_t fallback) {
    std::string_view hex;
    bool is_hex = false;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = text.substr(2);
        is_hex = true;
    } else if (!text.empty() && text[0] == '$') {
        hex = text.substr(1);
        is_hex = true;
    }
    if (is_hex) {
        if (hex.empty() || hex.size() > 8) {
            return fallback;
        }
        std::uint32_t v = 0;
        for (char c : hex) {
            const int d = hex_digit(c);
            if (d < 0) {
                return fallback;
            }
            v = v << 4 | std::uint32_t(d);
        }
        return static_cast<std::int32_t>(v);
    }

    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return fallback;
    }
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return fallback;
        }
        v = v * 10 + (c - '0');
        if (v > std::int64_t(INT32_MAX) + 1) {
            return fallback;
        }
    }
    if (negative) {
        v = -v;
    }
    if (v > INT32_MAX) {
        return fallback;
    }
    return static_cast<std::int32_t>(v);
}

}  // namespace platform
