#include <gmock/gmock.h>

#include <QTemporaryDir>
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
    for (const std::string value : {"/../../", "/x", "ab/c"}) {
        EXPECT_THAT(
            [&] { load_key_user(platform::MachineStore::parse("[1.0]\nme_users=" + value)); },
            testing::ThrowsMessage<platform::Error>(
                testing::StrEq("Invalid data type for 'me_users'")))
            << value;
    }
}

TEST(StartupSafety, ASettingsFileWithAByteOrderMarkIsReadAndKeepsIt) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("zvonmat.ini").toStdString();
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF[PARAM]\r\nport=3\r\n";
    write_settings(read_settings(path), path);
    EXPECT_EQ(read_settings(path).com_port, 3);
    const std::string written = file_contents(path);  // the mark kept, one [PARAM]
    EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF[PARAM]\r\nport=3\r\n") &&
                written.find('[', 4) == std::string::npos)
        << written;
}

}  // namespace
