#include "settings/UserKey.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>

#include "platform/Beep.h"
#include "platform/Error.h"
#include "platform/ErrorReport.h"
#include "platform/MachineStore.h"
#include "settings/FileNames.h"

namespace {

using namespace std::string_literals;

class UserKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        old_beep_ = platform::set_beep_handler([this] { ++beeps_; });
    }
    void TearDown() override { platform::set_beep_handler(old_beep_); }

    platform::MachineStore store(std::string_view bytes) {
        const std::string path = tmp_.path().toStdString() + "/user.conf";
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return platform::MachineStore::load(path);
    }

    int beeps_ = 0;
    std::function<void()> old_beep_;
    QTemporaryDir tmp_;
};

struct UserKeyRow {
    const char* name;
    std::string store;
    std::string key;
};

std::ostream& operator<<(std::ostream& os, const UserKeyRow& row) {
    return os << row.name;
}

class UserKeyRows : public UserKeyTest, public ::testing::WithParamInterface<UserKeyRow> {};

TEST_P(UserKeyRows, TakesAtMostEightBytesAndBeepsOnce) {
    EXPECT_EQ(load_key_user(store(GetParam().store)), GetParam().key);
    EXPECT_EQ(beeps_, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UserKeyRows,
    ::testing::Values(UserKeyRow{"Short", "[1.0]\nme_users=ivan\n", "ivan"},
                      UserKeyRow{"TenLettersGiveEight", "[1.0]\nme_users=ABCDEFGHIJ\n", "ABCDEFGH"},
                      UserKeyRow{"ExactlyEight", "[1.0]\nme_users=ABCDEFGH\n", "ABCDEFGH"},
                      UserKeyRow{"CyrillicCountsBytes",
                                 "[1.0]\nme_users=\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\n",
                                 "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7"},
                      UserKeyRow{"UpToNul", "[1.0]\nme_users=ab\0cdefghij\n"s, "ab"},
                      // «иванович» and «ивановичъ» in UTF-8: converted first, then cut.
                      UserKeyRow{"Utf8EightLetters",
                                 "[1.0]\nme_users=\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2"
                                 "\xD0\xB8\xD1\x87\n",
                                 "\xE8\xE2\xE0\xED\xEE\xE2\xE8\xF7"},
                      UserKeyRow{"Utf8NineLettersGiveEight",
                                 "[1.0]\nme_users=\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2"
                                 "\xD0\xB8\xD1\x87\xD1\x8A\n",
                                 "\xE8\xE2\xE0\xED\xEE\xE2\xE8\xF7"},
                      UserKeyRow{"ExpandableText",
                                 "[1.0]\nme_users=hex(2):41,00,42,00,43,00,44,00,45,00,46,00,47,00,"
                                 "48,00,49,00,4a,00,00,00\n",
                                 "ABCDEFGH"},
                      UserKeyRow{"Empty", "[1.0]\nme_users=\n", ""},
                      UserKeyRow{"NoSection", "[ports]\nCOM1=/dev/x\n", ""},
                      UserKeyRow{"NoStore", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UserKeyTest, Utf8NameGivesFilesNamedInUtf8) {
    const std::string key = load_key_user(store(
        "[1.0]\r\nme_users=\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x87\r\n"));
    EXPECT_EQ(settings_path("/w", key),
              "/w/zvonmat\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x87.ini");
    EXPECT_EQ(journal_path("/w", key),
              "/w/zvonmat\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x87.jur");
}

TEST_F(UserKeyTest, MissingStoreFileGivesEmptyKey) {
    EXPECT_EQ(load_key_user(platform::MachineStore::load(tmp_.path().toStdString() + "/none")), "");
    EXPECT_EQ(beeps_, 1);
}

TEST_F(UserKeyTest, TypedValueFailsWithoutBeep) {
    for (const char* typed : {"dword:00000001", "hex:41,42", "hex(7):41,00", "hex(2):4x,00"}) {
        const auto s = store("[1.0]\nme_users=" + std::string(typed) + "\n");
        try {
            load_key_user(s);
            ADD_FAILURE() << typed << ": no error";
        } catch (const platform::Error& e) {
            EXPECT_STREQ(e.what(), "Invalid data type for 'me_users'");
        }
    }
    EXPECT_EQ(beeps_, 0);
}

TEST_F(UserKeyTest, TypedValueReachesTheErrorReport) {
    QStringList reported;
    const auto old = platform::set_error_reporter([&](const QString& m) { reported << m; });
    std::string key = "unchanged";
    const auto s = store("[1.0]\nme_users=dword:1\n");
    platform::guarded([&] { key = load_key_user(s); });
    platform::set_error_reporter(old);
    EXPECT_EQ(reported, QStringList{"Invalid data type for 'me_users'"});
    EXPECT_EQ(key, "unchanged");
}

}  // namespace
