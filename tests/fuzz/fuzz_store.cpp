#include <QUtf8StringView>
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "fuzz/ScratchFile.h"
#include "platform/IniFile.h"
#include "platform/MachineStore.h"

// The per-machine store from any file, read from the file and from its bytes alike, and as the
// first or the last of several files. me_users is there only when the [1.0] value is non-empty;
// typed when it is written in the typed notation other than an expandable text; a plain value is
// the file's text in Windows-1251, taken as it stands from a file that is not UTF-8. Every COM
// port has a device, the mapped one or the default; a port number outside 1..4 has none.
namespace {

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char p, unsigned char t) { return std::tolower(t) == p; });
}

bool same(const platform::MachineStore& a, const platform::MachineStore& b) {
    const auto ma = a.me_users(), mb = b.me_users();
    if (ma.has_value() != mb.has_value() ||
        (ma && (ma->text != mb->text || ma->type != mb->type))) {
        return false;
    }
    for (int n = 1; n <= 4; ++n) {
        if (a.port_device(n) != b.port_device(n)) {
            return false;
        }
    }
    return true;
}

}  // namespace

FUZZ_TARGET(bytes) {
    using platform::MachineStore;
    static const ScratchFile file("user.conf");
    const auto store = file.read_both_ways(
        bytes, MachineStore::parse,
        [](const std::string& path) { return MachineStore::load(path); }, same);
    const bool utf8 = QUtf8StringView(bytes.data(), qsizetype(bytes.size())).isValidUtf8();
    // A UTF-8 file may begin with the byte order mark, which is not part of its first line.
    const std::string_view bom = "\xEF\xBB\xBF";
    const auto ini = platform::IniFile::parse(
        utf8 && bytes.substr(0, bom.size()) == bom ? bytes.substr(bom.size()) : bytes);
    // A file that is not there adds nothing, before or after; the same file twice is itself.
    const std::string none = file.sibling("none.conf");
    FUZZ_CHECK(same(MachineStore::load_all({none, file.path(), none}), store));
    FUZZ_CHECK(same(MachineStore::load_all({file.path(), file.path()}), store));

    const auto me = store.me_users();
    const auto raw = ini.value("1.0", "me_users");
    if (!raw || raw->empty()) {
        FUZZ_CHECK(!me);
    }
    if (me) {
        FUZZ_CHECK(!me->text.empty());
        FUZZ_CHECK(me->text.find('\0') == std::string::npos);
        const bool expandable = starts_with_nocase(*raw, "hex(2):");
        const bool typed = starts_with_nocase(*raw, "dword:") || starts_with_nocase(*raw, "hex:") ||
                           starts_with_nocase(*raw, "hex(");
        if (typed && !expandable) {
            FUZZ_CHECK(me->type == MachineStore::ValueType::Other);
        }
        if (!typed) {
            FUZZ_CHECK(me->type == MachineStore::ValueType::Text);
            FUZZ_CHECK(utf8 ? me->text.size() <= raw->size() : me->text == *raw);
        }
    }

    for (int n = -1; n <= 6; ++n) {
        const std::string device = store.port_device(n);
        if (n < 1 || n > 4) {
            FUZZ_CHECK(device.empty());
            continue;
        }
        const std::string mapped = ini.value("ports", "COM" + std::to_string(n)).value_or("");
        if (mapped.empty() || utf8) {
            FUZZ_CHECK(device == (mapped.empty() ? "/dev/ttyS" + std::to_string(n - 1) : mapped));
        }
        FUZZ_CHECK(!device.empty());
    }
}
