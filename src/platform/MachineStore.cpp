#include "platform/MachineStore.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QUtf8StringView>
#include <algorithm>
#include <cctype>

#include "platform/Cp1251.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

namespace platform {
namespace {

constexpr std::string_view kStoreFile = "/user_name/user.conf";
constexpr std::string_view kExpandableText = "hex(2):";

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// A value in the typed notation of registry exports (dword:0000000a, hex:41,42, hex(7):...)
// stands for a value that is not a plain string.
bool is_typed(std::string_view value) {
    return starts_with_nocase(value, "dword:") || starts_with_nocase(value, "hex:") ||
           starts_with_nocase(value, "hex(");
}

bool is_utf8(std::string_view bytes) {
    return QUtf8StringView(bytes.data(), qsizetype(bytes.size())).isValidUtf8();
}

// The text of an expandable value written as its bytes, "69,00,76,00,00,00": UTF-16LE up to
// the first NUL character, in Windows-1251. Nothing when the list is not one of hex bytes.
std::optional<std::string> expandable_text(std::string_view list) {
    std::u16string units;
    int low = -1;  // the first byte of a unit whose second byte is still to come
    bool ended = false;
    while (!trim(list).empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = trim(list.substr(0, comma), " \t");
        if (item.empty() || item.size() > 2) {
            return std::nullopt;
        }
        int byte = 0;
        for (char c : item) {
            const int digit = hex_digit(c);
            if (digit < 0) {
                return std::nullopt;
            }
            byte = byte * 16 + digit;
        }
        if (low < 0) {
            low = byte;
        } else {
            const char16_t unit = char16_t(low | (byte << 8));
            ended = ended || unit == 0;
            if (!ended) {
                units += unit;
            }
            low = -1;
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return toCp1251(QStringView(units.data(), qsizetype(units.size())));
}

// me_users as the file gives it: `utf8` says how the file's texts are written.
MachineStore::Value me_users_value(std::string_view raw, bool utf8) {
    if (starts_with_nocase(raw, kExpandableText)) {
        if (auto text = expandable_text(raw.substr(kExpandableText.size()))) {
            return {MachineStore::ValueType::Text, std::move(*text)};
        }
        return {MachineStore::ValueType::Other, std::string(raw)};
    }
    if (is_typed(raw)) {
        return {MachineStore::ValueType::Other, std::string(raw)};
    }
    if (utf8) {
        return {MachineStore::ValueType::Text,
                toCp1251(QString::fromUtf8(raw.data(), qsizetype(raw.size())))};
    }
    return {MachineStore::ValueType::Text, std::string(raw)};
}

// A device path as the file system names it.
std::string device_path(std::string_view raw, bool utf8) {
    if (utf8) {
        return std::string(raw);
    }
    return QFile::encodeName(fromCp1251(raw)).toStdString();
}

}  // namespace

std::vector<std::string> MachineStore::search_paths() {
    std::vector<std::string> paths;
    const auto absolute = [](const QByteArray& dir) { return dir.startsWith('/'); };

    QByteArray home = qgetenv("XDG_CONFIG_HOME");
    if (!absolute(home)) {
        home = qgetenv("HOME");
        home = absolute(home) ? home + "/.config" : QByteArray();
    }
    if (!home.isEmpty()) {
        paths.push_back(home.toStdString() + std::string(kStoreFile));
    }

    std::size_t system_dirs = 0;
    for (const QByteArray& dir : qgetenv("XDG_CONFIG_DIRS").split(':')) {
        if (absolute(dir)) {
            paths.push_back(dir.toStdString() + std::string(kStoreFile));
            ++system_dirs;
        }
    }
    if (system_dirs == 0) {
        paths.push_back("/etc/xdg" + std::string(kStoreFile));
    }
    return paths;
}

MachineStore MachineStore::load() {
    return load_all(search_paths());
}

const MachineStore& MachineStore::at_start() {
    static const MachineStore store = load();
    return store;
}

MachineStore MachineStore::load(const std::string& path) {
    // A missing or unreadable file leaves no bytes: an empty store.
    return parse(read_whole_file(path).bytes);
}

MachineStore MachineStore::load_all(const std::vector<std::string>& paths) {
    MachineStore store;
    for (const std::string& path : paths) {
        store.fill_from(load(path));
    }
    return store;
}

MachineStore MachineStore::parse(std::string_view bytes) {
    const bool utf8 = is_utf8(bytes);
    const IniFile ini = IniFile::parse(bytes);  // skips a byte-order mark before "[1.0]"
    MachineStore store;
    if (auto me = ini.value("1.0", "me_users")) {
        store.has_me_users_ = true;
        if (!me->empty()) {
            Value value = me_users_value(*me, utf8);
            if (value.type != ValueType::Text || !value.text.empty()) {
                store.me_users_ = std::move(value);
            }
        }
    }
    for (int n = 1; n <= 4; ++n) {
        if (auto device = ini.value("ports", "COM" + std::to_string(n))) {
            store.ports_[n - 1] = device_path(*device, utf8);
        }
    }
    return store;
}

void MachineStore::fill_from(const MachineStore& later) {
    if (!has_me_users_) {
        has_me_users_ = later.has_me_users_;
        me_users_ = later.me_users_;
    }
    for (int i = 0; i < 4; ++i) {
        if (!ports_[i]) {
            ports_[i] = later.ports_[i];
        }
    }
}

std::optional<MachineStore::Value> MachineStore::me_users() const {
    return me_users_;
}

std::string MachineStore::port_device(int n) const {
    if (n < 1 || n > 4) {
        return {};
    }
    const std::optional<std::string>& mapped = ports_[n - 1];
    return !mapped || mapped->empty() ? "/dev/ttyS" + std::to_string(n - 1) : *mapped;
}

std::optional<std::string> MachineStore::port_entry(int n) const {
    return n < 1 || n > 4 ? std::nullopt : ports_[n - 1];
}

}  // namespace platform
