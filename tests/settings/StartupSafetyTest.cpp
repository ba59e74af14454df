#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <fstream>

#include "platform/Error.h"
#include "platform/MachineStore.h"
#include "settings/Settings.h"
#include "settings/UserKey.h"
#include "support/FileContents.h"

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

TEST(StartupSafety, ASettingsFileWithAByteOrderMarkIsReadAndKeepsIt) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat.ini").toStdString();
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF[PARAM]\r\nport=3\r\n";
    const TSettings settings = read_settings(path);
    EXPECT_EQ(settings.com_port, 3);
    write_settings(settings, path);
    const std::string written = file_contents(path);
    EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF[PARAM]\r\nport=3\r\n")) << written;
    EXPECT_EQ(std::count(written.begin(), written.end(), '['), 1) << written;
}

}  // namespace
