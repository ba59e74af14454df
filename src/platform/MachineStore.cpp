#include "MachineStore.h"

#include <QByteArray>
#include <algorithm>
#include <cctype>

#include "Files.h"
#include "IniFile.h"

namespace platform {
namespace {

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// A value in the typed notation of registry exports (dword:0000000a, hex:41,42, hex(2):...)
// stands for a value that is not a plain string.
bool is_typed(std::string_view value) {
    return starts_with_nocase(value, "dword:") || starts_with_nocase(value, "hex:") ||
           starts_with_nocase(value, "hex(");
}

}  // namespace

std::string MachineStore::default_path() {
    const QByteArray dirs = qgetenv("XDG_CONFIG_DIRS");
    const qsizetype colon = dirs.indexOf(':');
    std::string first = (colon < 0 ? dirs : dirs.first(colon)).toStdString();
    if (first.empty()) {
        first = "/etc/xdg";
    }
    return first + "/user_name/user.conf";
}

MachineStore MachineStore::load(const std::string& path) {
    // A missing or unreadable file leaves no bytes: an empty store.
    return parse(read_whole_file(path).bytes);
}

MachineStore MachineStore::parse(std::string_view bytes) {
    const IniFile ini = IniFile::parse(bytes);
    MachineStore store;
    if (auto me = ini.value("1.0", "me_users"); me && !me->empty()) {
        store.me_users_ = Value{is_typed(*me) ? ValueType::Other : ValueType::Text, *me};
    }
    for (int n = 1; n <= 4; ++n) {
        store.ports_[n - 1] = ini.value("ports", "COM" + std::to_string(n)).value_or("");
    }
    return store;
}

std::optional<MachineStore::Value> MachineStore::me_users() const {
    return me_users_;
}

std::string MachineStore::port_device(int n) const {
    if (n < 1 || n > 4) {
        return {};
    }
    const std::string& mapped = ports_[n - 1];
    return mapped.empty() ? "/dev/ttyS" + std::to_string(n - 1) : mapped;
}

}  // namespace platform
