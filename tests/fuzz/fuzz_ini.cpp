#include <fuzzer/FuzzedDataProvider.h>

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "platform/Cp1251.h"
#include "platform/IniFile.h"

// The INI reader and writer. The document is the whole input; a few bytes from its end choose a
// key to write and its value. Parsing keeps every byte; value() agrees with a plain reference
// reading of the rules; writing a key changes only its own line (or adds it, with its section if
// need be), reads back exactly, leaves every other key as it was, and writing it again changes
// nothing more.
namespace {

using platform::IniFile;

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The document without a leading UTF-8 byte-order mark, which reading skips and writing keeps.
std::string_view body(std::string_view bytes) {
    return bytes.starts_with(kByteOrderMark) ? bytes.substr(kByteOrderMark.size()) : bytes;
}

std::string_view trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    return first == std::string_view::npos
               ? std::string_view()
               : s.substr(first, s.find_last_not_of(kBlanks) + 1 - first);
}

std::vector<std::string_view> split_lines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            lines.push_back(bytes.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < bytes.size()) {
        lines.push_back(bytes.substr(start));
    }
    return lines;
}

// Names compare as their Unicode case folding.
QString folded(std::string_view name) {
    return platform::fromCp1251(name).toCaseFolded();
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && folded(a) == folded(b);
}

struct RefLine {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name;
    std::string_view value;
};

RefLine ref_classify(std::string_view line) {
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    if (const auto nul = line.find('\0'); nul != std::string_view::npos) {
        line = line.substr(0, nul);
    }
    line = trim(line);
    if (line.empty() || line[0] == ';') {
        return {};
    }
    if (line[0] == '[') {
        const auto close = line.find(']');
        if (close == std::string_view::npos) {
            return {};
        }
        return {RefLine::Section, trim(line.substr(1, close - 1)), {}};
    }
    const auto eq = line.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return {RefLine::Key, trim(line.substr(0, eq)), value};
}

// The document's lines classified once, names folded for comparing.
struct RefEntry {
    RefLine::Kind kind;
    QString name;
    std::string_view value;
};

std::vector<RefEntry> ref_read(const std::vector<std::string_view>& lines) {
    std::vector<RefEntry> entries;
    for (std::string_view line : lines) {
        const RefLine info = ref_classify(line);
        if (info.kind != RefLine::Other) {
            entries.push_back({info.kind, folded(info.name), info.value});
        }
    }
    return entries;
}

// The first section of that name counts; its first key of that name wins.
std::optional<std::string> ref_value(const std::vector<RefEntry>& entries, std::string_view section,
                                     std::string_view key) {
    const QString wanted_section = folded(trim(section));
    const QString wanted_key = folded(trim(key));
    bool inside = false;
    for (const RefEntry& entry : entries) {
        if (entry.kind == RefLine::Section) {
            if (inside) {
                return std::nullopt;
            }
            inside = entry.name == wanted_section;
        } else if (inside && entry.name == wanted_key) {
            return std::string(entry.value);
        }
    }
    return std::nullopt;
}

using NamePair = std::pair<std::string, std::string>;

// Every (section, key) the document has, and a few it may lack: Cyrillic (Windows-1251) and
// padded names among them.
std::vector<NamePair> names_to_try(const std::vector<std::string_view>& lines) {
    std::vector<NamePair> names = {
        {"PARAM", "port"},
        {"param", "PORT"},
        {" PARAM ", " wait "},
        {"1.0", "me_users"},
        {"ports", "COM4"},
        {"new section", "new key"},
        {"\xcd\xee\xe2\xfb\xe9", "\xea\xeb\xfe\xf7"},  // "Новый", "ключ"
        {"\xed\xee\xe2\xfb\xe9", "\xca\xcb\xde\xd7"},  // "новый", "КЛЮЧ"
    };
    std::string_view section;
    for (std::string_view line : lines) {
        if (names.size() >= 64) {
            break;
        }
        const RefLine info = ref_classify(line);
        if (info.kind == RefLine::Section) {
            section = info.name;
            names.emplace_back(std::string(section), "added_key");
        } else if (info.kind == RefLine::Key) {
            names.emplace_back(std::string(section), std::string(info.name));
        }
    }
    return names;
}

// The value as it must read back: the writer cuts it where its line would end.
std::string expected_reading(std::string_view value) {
    return std::string(value.substr(0, value.find_first_of(std::string_view("\0\r\n", 3))));
}

bool is_written_key_line(std::string_view line, std::string_view key, std::string_view value) {
    const RefLine info = ref_classify(line);
    return line.ends_with("\r\n") && info.kind == RefLine::Key && same_name(info.name, trim(key)) &&
           info.value == value;
}

bool is_written_header(std::string_view line, std::string_view section) {
    const RefLine info = ref_classify(line);
    return line.ends_with("\r\n") && info.kind == RefLine::Section && info.name == trim(section);
}

// Whether `after` is `before` with one key line written: replaced in place, or added at the end
// of a section, or added with a new section at the end; an unended last line gets its CR LF.
bool only_the_key_line_changed(std::string_view before, std::string_view after,
                               std::string_view section, std::string_view key,
                               std::string_view value) {
    const auto old_lines = split_lines(before);
    const auto new_lines = split_lines(after);
    std::size_t prefix = 0;
    while (prefix < old_lines.size() && prefix < new_lines.size() &&
           old_lines[prefix] == new_lines[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < old_lines.size() - prefix && suffix < new_lines.size() - prefix &&
           old_lines[old_lines.size() - 1 - suffix] == new_lines[new_lines.size() - 1 - suffix]) {
        ++suffix;
    }
    const std::vector<std::string_view> removed(old_lines.begin() + std::ptrdiff_t(prefix),
                                                old_lines.end() - std::ptrdiff_t(suffix));
    std::vector<std::string_view> added(new_lines.begin() + std::ptrdiff_t(prefix),
                                        new_lines.end() - std::ptrdiff_t(suffix));
    if (removed.empty() && added.empty()) {
        return true;  // the line was written as it already stood
    }
    if (removed.size() == 1 && added.size() == 1) {
        const RefLine old_info = ref_classify(removed[0]);
        return old_info.kind == RefLine::Key && same_name(old_info.name, trim(key)) &&
               is_written_key_line(added[0], key, value);
    }
    std::size_t next = 0;
    if (removed.size() == 1) {
        // Only the file's last line may lack its line end, and only it gets one.
        if (removed[0].ends_with('\n') || added.empty() ||
            added[0] != std::string(removed[0]) + "\r\n" || suffix != 0) {
            return false;
        }
        next = 1;
    } else if (!removed.empty()) {
        return false;
    }
    if (added.size() - next == 2 && is_written_header(added[next], section)) {
        ++next;
    }
    return added.size() - next == 1 && is_written_key_line(added[next], key, value);
}

}  // namespace

FUZZ_TARGET(bytes) {
    const IniFile before = IniFile::parse(bytes);
    FUZZ_CHECK(before.bytes() == bytes);

    const auto lines = split_lines(body(bytes));
    const auto names = names_to_try(lines);
    const auto entries = ref_read(lines);
    for (const auto& [section, key] : names) {
        FUZZ_CHECK(before.value(section, key) == ref_value(entries, section, key));
    }

    FuzzedDataProvider choose(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    const auto& [section, key] =
        names[choose.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
    std::string value;
    switch (choose.ConsumeIntegralInRange(0, 3)) {
        case 0:
            value = choose.ConsumeRandomLengthString(80);
            break;
        case 1:
            value = std::string(1500, 'x');  // longer than a profile string can be read
            break;
        case 2:
            value = " \"quoted\" ";
            break;
        default:
            value = "\xcc\xee\xe4\xe5\xec";  // "Модем"
            break;
    }
    const std::string reading = expected_reading(value);

    IniFile after = before;
    after.set_value(section, key, value);
    const std::string written = after.bytes();
    FUZZ_CHECK(after.value(section, key) == reading);
    FUZZ_CHECK(platform::read_profile_string(after, section, key, "") ==
               reading.substr(0, platform::kProfileValueMax));
    FUZZ_CHECK(written.starts_with(kByteOrderMark) == bytes.starts_with(kByteOrderMark));
    FUZZ_CHECK(only_the_key_line_changed(body(bytes), body(written), section, key, reading));
    for (const auto& [other_section, other_key] : names) {
        if (!(same_name(trim(other_section), trim(section)) &&
              same_name(trim(other_key), trim(key)))) {
            FUZZ_CHECK(after.value(other_section, other_key) ==
                       before.value(other_section, other_key));
        }
    }

    after.set_value(section, key, value);
    FUZZ_CHECK(after.bytes() == written);
}
