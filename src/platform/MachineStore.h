#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The per-machine store: the INI file user_name/user.conf in the first directory of
// $XDG_CONFIG_DIRS (default /etc/xdg). It is read once, never written. Section [1.0], key
// me_users names the user whose data files the program uses; section [ports] maps COM1..COM4 to
// device paths. A missing or unreadable file is an empty store.
class MachineStore {
  public:
    enum class ValueType { Text, Other };
    struct Value {
        ValueType type = ValueType::Text;
        std::string text;  // Windows-1251 bytes, up to the first NUL
    };

    static std::string default_path();
    static MachineStore load(const std::string& path = default_path());
    // The store from the file's bytes, as load() reads them.
    static MachineStore parse(std::string_view bytes);

    // The me_users value, or nothing when the file, section or key is missing or the value is
    // empty. A value written in a typed form ("dword:...", "hex:...") is not text.
    std::optional<Value> me_users() const;

    // The device for COMn (1..4): the [ports] entry, default /dev/ttyS<n-1>.
    std::string port_device(int n) const;

  private:
    std::optional<Value> me_users_;
    std::string ports_[4];
};

}  // namespace platform
