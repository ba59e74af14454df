#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/MachineStore.h"
#include "settings/UserKey.h"

namespace {

// A name that would lead the data files out of the working directory is refused as a wrongly
// typed one.
TEST(StartupSafety, AUserNameWithASlashIsNotUsed) {
    for (const char* value : {"/../../", "/x", "ab/c"}) {
        const auto store = platform::MachineStore::parse("[1.0]\nme_users=" + std::string(value));
        try {
            load_key_user(store);
            ADD_FAILURE() << value << ": no error";
        } catch (const platform::Error& e) {
            EXPECT_STREQ(e.what(), "Invalid data type for 'me_users'") << value;
        }
    }
}

}  // namespace
