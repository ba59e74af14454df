#include "settings/UserKey.h"

#include "platform/Beep.h"
#include "platform/Error.h"
#include "platform/MachineStore.h"

std::string load_key_user(const platform::MachineStore& store) {
    const auto value = store.me_users();
    if (value && value->type != platform::MachineStore::ValueType::Text) {
        throw platform::Error("Invalid data type for 'me_users'");
    }
    std::string key = value ? value->text.substr(0, kUserKeyMax) : std::string();
    platform::message_beep();
    return key;
}
