#include "settings/UserKey.h"

#include "platform/Beep.h"
#include "platform/Error.h"
#include "platform/MachineStore.h"

std::string load_key_user(const platform::MachineStore& store) {
    const auto value = store.me_users();
    std::string key = value ? value->text.substr(0, kUserKeyMax) : std::string();
    // The key becomes part of every data file's name: a "/" would lead the files out of the
    // working directory and a NUL would cut the name, so such a value is refused as one of the
    // wrong type.
    if ((value && value->type != platform::MachineStore::ValueType::Text) ||
        key.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
        throw platform::Error("Invalid data type for 'me_users'");
    }
    platform::message_beep();
    return key;
}
