#pragma once

#include <string>

namespace platform {
class MachineStore;
}

inline constexpr std::size_t kUserKeyMax = 8;

// The file-name suffix from the per-machine store's me_users value: its first 8 bytes, empty when
// the store has none. Ends with one default beep. A value that is not text, or whose first 8 bytes
// hold a "/" or a NUL (not usable in a file name), throws platform::Error
// "Invalid data type for 'me_users'" (and does not beep).
std::string load_key_user(const platform::MachineStore& store);
