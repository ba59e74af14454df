#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "IniFile.h"
#include "MachineStore.h"
#include "ScratchFile.h"

// The per-machine store from any file, read from the file and from its bytes alike. me_users is the
// [1.0] value when there is a non-empty one, typed when it is written in the typed notation; every
// COM port has a device, the mapped one or the default; a port number outside 1..4 has none.
namespace {

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const ScratchFile file("user.conf");
    file.write(data, size);
    const auto store = platform::MachineStore::parse(bytes);
    const auto ini = platform::IniFile::parse(bytes);
    const auto loaded = platform::MachineStore::load(file.path());
    FUZZ_CHECK(loaded.me_users().has_value() == store.me_users().has_value());
    if (loaded.me_users()) {
        FUZZ_CHECK(loaded.me_users()->text == store.me_users()->text &&
                   loaded.me_users()->type == store.me_users()->type);
    }

    const auto me = store.me_users();
    const auto raw = ini.value("1.0", "me_users");
    FUZZ_CHECK(me.has_value() == (raw && !raw->empty()));
    if (me) {
        FUZZ_CHECK(me->text == *raw);
        FUZZ_CHECK(me->text.find_first_of(std::string_view("\0\n", 2)) == std::string::npos);
        const bool typed = starts_with_nocase(me->text, "dword:") ||
                           starts_with_nocase(me->text, "hex:") ||
                           starts_with_nocase(me->text, "hex(");
        FUZZ_CHECK((me->type == platform::MachineStore::ValueType::Other) == typed);
    }

    for (int n = -1; n <= 6; ++n) {
        const std::string device = store.port_device(n);
        if (n < 1 || n > 4) {
            FUZZ_CHECK(device.empty());
            continue;
        }
        const std::string mapped = ini.value("ports", "COM" + std::to_string(n)).value_or("");
        FUZZ_CHECK(device == (mapped.empty() ? "/dev/ttyS" + std::to_string(n - 1) : mapped));
        FUZZ_CHECK(loaded.port_device(n) == device);
    }
    return 0;
}
