#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The per-machine store: the INI file user_name/user.conf, looked up in the XDG order — the
// user's own configuration directory first, then each system one — and read once, never written.
// Each key comes from the first file that has it, so a user maps a port without root while an
// administrator still sets it for everybody. Section [1.0], key me_users names the user whose
// data files the program uses; section [ports] maps COM1..COM4 to device paths. A missing or
// unreadable file adds nothing.
//
// A file is read as UTF-8 when it is valid UTF-8 (as every Linux tool writes it) and as
// Windows-1251 otherwise. me_users comes out in Windows-1251, the program's own code page; the
// device paths come out as the file system's names (UTF-8).
class MachineStore {
  public:
    enum class ValueType { Text, Other };
    struct Value {
        ValueType type = ValueType::Text;
        std::string text;  // Windows-1251 bytes, up to the first NUL
    };

    // The files looked at, first to last: user_name/user.conf in $XDG_CONFIG_HOME (default
    // ~/.config), then in each directory of $XDG_CONFIG_DIRS (default /etc/xdg). Empty and
    // relative entries are left out, as the XDG rules ask.
    static std::vector<std::string> search_paths();
    // The store from the files of search_paths().
    static MachineStore load();
    // The store from the files of search_paths() as this process first read it: read once, at
    // the first call, and shared by all who ask after.
    static const MachineStore& at_start();
    // The store from one file.
    static MachineStore load(const std::string& path);
    // The store from several files: each key from the first one that has it.
    static MachineStore load_all(const std::vector<std::string>& paths);
    // The store from one file's bytes, as load() reads them.
    static MachineStore parse(std::string_view bytes);

    // The me_users value, or nothing when no file has the key or its value is empty. A value in
    // the typed notation of registry exports ("dword:...", "hex:...") is not text, except the
    // expandable text "hex(2):", the UTF-16LE bytes of a text, which is decoded up to its first
    // NUL (and is not text either when its bytes are not a list of hex numbers).
    std::optional<Value> me_users() const;

    // The device for COMn (1..4): the [ports] entry, default /dev/ttyS<n-1>.
    std::string port_device(int n) const;
    // The [ports] entry for COMn as a file gives it, empty when written empty; nothing when no
    // file has it.
    std::optional<std::string> port_entry(int n) const;

  private:
    // Takes from `later` every key this store has not got.
    void fill_from(const MachineStore& later);

    bool has_me_users_ = false;  // a file had the key, even with an empty value
    std::optional<Value> me_users_;
    std::optional<std::string> ports_[4];
};

}  // namespace platform
