#include "settings/UserKey.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/Error.h"
#include "platform/ErrorReport.h"
#include "platform/MachineStore.h"
#include "settings/FileNames.h"
#include "support/FileContents.h"
#include "support/Hooks.h"

namespace {

using namespace std::string_literals;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

// «иванович» in UTF-8, and its eight letters in Windows-1251.
const std::string kIvanovichUtf8 =
    "\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x87";
const std::string kIvanovich = "\xE8\xE2\xE0\xED\xEE\xE2\xE8\xF7";

class UserKeyTest : public ::testing::Test {
  protected:
    platform::MachineStore store(std::string_view bytes) {
        const std::string path = tmp_.path().toStdString() + "/user.conf";
        write_file(path, bytes);
        return platform::MachineStore::load(path);
    }

    zvonmat_test::ScopedHooks hooks_;  // beeps and error reports recorded
    QTemporaryDir tmp_;
};

TEST_F(UserKeyTest, TakesAtMostEightBytesAndBeepsOnce) {
    const struct {
        const char* name;
        std::string store;
        std::string key;
    } rows[] = {
        {"Short", "[1.0]\nme_users=ivan\n", "ivan"},
        {"TenLettersGiveEight", "[1.0]\nme_users=ABCDEFGHIJ\n", "ABCDEFGH"},
        {"ExactlyEight", "[1.0]\nme_users=ABCDEFGH\n", "ABCDEFGH"},
        {"CyrillicCountsBytes", "[1.0]\nme_users=\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\n",
         "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7"},
        {"UpToNul", "[1.0]\nme_users=ab\0cdefghij\n"s, "ab"},
        // UTF-8 is converted first, then cut: «ивановичъ» gives eight letters.
        {"Utf8EightLetters", "[1.0]\nme_users=" + kIvanovichUtf8 + "\n", kIvanovich},
        {"Utf8NineLettersGiveEight", "[1.0]\nme_users=" + kIvanovichUtf8 + "\xD1\x8A\n",
         kIvanovich},
        {"ExpandableText",
         "[1.0]\nme_users=hex(2):41,00,42,00,43,00,44,00,45,00,46,00,47,00,"
         "48,00,49,00,4a,00,00,00\n",
         "ABCDEFGH"},
        {"Empty", "[1.0]\nme_users=\n", ""},
        {"NoSection", "[ports]\nCOM1=/dev/x\n", ""},
        {"NoStore", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        hooks_.beeps = 0;
        EXPECT_EQ(load_key_user(store(row.store)), row.key);
        EXPECT_EQ(hooks_.beeps, 1);
    }
}

TEST_F(UserKeyTest, Utf8NameGivesFilesNamedInUtf8) {
    const std::string key = load_key_user(store("[1.0]\r\nme_users=" + kIvanovichUtf8 + "\r\n"));
    EXPECT_EQ(settings_path("/w", key), "/w/zvonmat" + kIvanovichUtf8 + ".ini");
    EXPECT_EQ(journal_path("/w", key), "/w/zvonmat" + kIvanovichUtf8 + ".jur");
}

TEST_F(UserKeyTest, MissingStoreFileGivesEmptyKey) {
    EXPECT_EQ(load_key_user(platform::MachineStore::load(tmp_.path().toStdString() + "/none")), "");
    EXPECT_EQ(hooks_.beeps, 1);
}

TEST_F(UserKeyTest, TypedValueFailsWithoutBeep) {
    // A "/" would name the data files outside the working directory: refused as wrongly typed.
    for (const char* typed :
         {"dword:00000001", "hex:41,42", "hex(7):41,00", "hex(2):4x,00", "/../../", "ab/c"}) {
        SCOPED_TRACE(typed);
        const auto s = store("[1.0]\nme_users=" + std::string(typed) + "\n");
        EXPECT_THAT([&] { load_key_user(s); },
                    ThrowsMessage<platform::Error>(StrEq("Invalid data type for 'me_users'")));
    }
    EXPECT_EQ(hooks_.beeps, 0);
}

TEST_F(UserKeyTest, TypedValueReachesTheErrorReport) {
    std::string key = "unchanged";
    const auto s = store("[1.0]\nme_users=dword:1\n");
    platform::guarded([&] { key = load_key_user(s); });
    EXPECT_EQ(hooks_.errors, QStringList{"Invalid data type for 'me_users'"});
    EXPECT_EQ(key, "unchanged");
}

}  // namespace
