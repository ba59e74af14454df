#include "platform/MachineStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <optional>
#include <vector>

#include "support/AsUser.h"
#include "support/FileContents.h"
#include "support/ScopedEnv.h"

namespace {

using platform::MachineStore;
using Type = MachineStore::ValueType;
using namespace std::string_literals;
using zvonmat_test::ScopedEnv;

TEST(SearchPaths, FollowTheXdgOrder) {
    struct Row {
        const char* name;
        const char* config_home;  // nullptr: unset
        const char* home;
        const char* config_dirs;
        std::vector<std::string> paths;
    };
    const std::string user = "/home/ivan/.config/user_name/user.conf";
    const std::string system = "/etc/xdg/user_name/user.conf";
    const Row rows[] = {
        {"Defaults", nullptr, "/home/ivan", nullptr, {user, system}},
        {"EmptyVariablesAreDefaults", "", "/home/ivan", "", {user, system}},
        {"ConfigHomeFirstThenEachSystemDirectory",
         "/cfg",
         "/home/ivan",
         "/opt/a:/opt/b",
         {"/cfg/user_name/user.conf", "/opt/a/user_name/user.conf", "/opt/b/user_name/user.conf"}},
        {"EmptyAndRelativeEntriesAreLeftOut",
         "relative",
         "/home/ivan",
         ":rel:/opt/b:",
         {user, "/opt/b/user_name/user.conf"}},
        {"OnlyRelativeSystemEntriesGiveTheDefault", nullptr, "/home/ivan", "a:b", {user, system}},
        {"NoHomeNoUserFile", nullptr, nullptr, "/only", {"/only/user_name/user.conf"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScopedEnv config_home("XDG_CONFIG_HOME", row.config_home), home("HOME", row.home),
            config_dirs("XDG_CONFIG_DIRS", row.config_dirs);
        EXPECT_EQ(MachineStore::search_paths(), row.paths);
    }
}

class StoreFile : public ::testing::Test {
  protected:
    MachineStore with(std::string_view bytes) {
        write_file(path_, bytes);
        return MachineStore::load(path_);
    }
    // A store file in the directory `name`, as the XDG layout places it.
    std::string file(const std::string& name, std::string_view bytes) {
        const std::string dir = dir_ + "/" + name + "/user_name";
        std::filesystem::create_directories(dir);
        write_file(dir + "/user.conf", bytes);
        return dir + "/user.conf";
    }
    QTemporaryDir tmp_;
    std::string dir_ = tmp_.path().toStdString();
    std::string path_ = dir_ + "/user.conf";
};

TEST_F(StoreFile, MeUsersReadsTheValue) {
    const struct {
        const char* name;
        std::string file;
        std::optional<Type> type;  // nothing: no value
        std::string text;
    } rows[] = {
        {"Text", "[1.0]\nme_users=ivan\n", Type::Text, "ivan"},
        {"NamesIgnoreCase", "[1.0]\r\nME_USERS = ivan \r\n", Type::Text, "ivan"},
        {"Quoted", "[1.0]\nme_users=\"ivan petrov\"\n", Type::Text, "ivan petrov"},
        {"Cyrillic", "[1.0]\nme_users=\xC8\xE2\xE0\xED\n", Type::Text, "\xC8\xE2\xE0\xED"},
        {"StopsAtNul", "[1.0]\nme_users=ab\0cd\n"s, Type::Text, "ab"},
        {"EmptyIsMissing", "[1.0]\nme_users=\n", std::nullopt, ""},
        {"NulFirstIsMissing", "[1.0]\nme_users=\0x\n"s, std::nullopt, ""},
        {"MissingKey", "[1.0]\nother=x\n", std::nullopt, ""},
        {"MissingSection", "[2.0]\nme_users=x\n", std::nullopt, ""},
        {"Dword", "[1.0]\nme_users=dword:0000000a\n", Type::Other, ""},
        {"DwordUpperCase", "[1.0]\nme_users=DWORD:1\n", Type::Other, ""},
        {"Hex", "[1.0]\nme_users=hex:41,42\n", Type::Other, ""},
        {"HexTyped", "[1.0]\nme_users=Hex(7):41,00\n", Type::Other, ""},
        {"HexWordIsText", "[1.0]\nme_users=hexagon\n", Type::Text, "hexagon"},
        {"Expandable", "[1.0]\nme_users=hex(2):69,00,76,00,61,00,6e,00,00,00\n", Type::Text,
         "ivan"},
        {"ExpandableCyrillicUpperCase", "[1.0]\nme_users=HEX(2):38,04,32,04,30,04,3D,04,00,00\n",
         Type::Text, "\xE8\xE2\xE0\xED"},
        {"ExpandableBlanksAndNoNul", "[1.0]\nme_users=hex(2): 41, 00 ,42,00\n", Type::Text, "AB"},
        {"ExpandableStopsAtNul", "[1.0]\nme_users=hex(2):61,00,00,00,62,00\n", Type::Text, "a"},
        {"ExpandableOddByteLeftOver", "[1.0]\nme_users=hex(2):61,00,62\n", Type::Text, "a"},
        {"ExpandableNoCp1251Form", "[1.0]\nme_users=hex(2):df,00,41,00\n", Type::Text, "?A"},
        {"ExpandableEmptyIsMissing", "[1.0]\nme_users=hex(2):\n", std::nullopt, ""},
        {"ExpandableNulIsMissing", "[1.0]\nme_users=hex(2):00,00,41,00\n", std::nullopt, ""},
        {"ExpandableNotHex", "[1.0]\nme_users=hex(2):4g,00\n", Type::Other, ""},
        {"ExpandableThreeDigits", "[1.0]\nme_users=hex(2):041,00\n", Type::Other, ""},
        {"ExpandableEmptyItem", "[1.0]\nme_users=hex(2):41,,00\n", Type::Other, ""},
        {"Utf8EightLetters",
         "[1.0]\nme_users=\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x87\n",
         Type::Text, "\xE8\xE2\xE0\xED\xEE\xE2\xE8\xF7"},
        {"Utf8WithByteOrderMark", "\xEF\xBB\xBF[1.0]\nme_users=\xD0\x98\xD0\xB2\n", Type::Text,
         "\xC8\xE2"},
        {"Utf8NoCp1251Form", "[1.0]\nme_users=a\xC3\x9F\xF0\x9F\x93\x9E\n", Type::Text, "a??"},
        {"OneInvalidByteMakesTheFileCp1251", "; \xFF\n[1.0]\nme_users=\xD0\xB8\n", Type::Text,
         "\xD0\xB8"},
        {"Garbage", "\xFF\xFE\0\0garbage\n[1.0\nme_users\n"s, std::nullopt, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto value = with(row.file).me_users();
        EXPECT_EQ(value ? std::optional(value->type) : std::nullopt, row.type);
        if (value && value->type == Type::Text) {
            EXPECT_EQ(value->text, row.text);
        }
    }
}

TEST_F(StoreFile, PortsMapComDevicesWithDefaults) {
    const auto store = with("[Ports]\ncom1=/dev/ttyUSB0\nCOM4 = /tmp/modem link \nCOM2=\n");
    EXPECT_EQ(store.port_device(1), "/dev/ttyUSB0");
    EXPECT_EQ(store.port_device(2), "/dev/ttyS1");
    EXPECT_EQ(store.port_device(3), "/dev/ttyS2");
    EXPECT_EQ(store.port_device(4), "/tmp/modem link");
    EXPECT_EQ(store.port_device(0), "");
    EXPECT_EQ(store.port_device(5), "");
}

TEST_F(StoreFile, DevicePathsBecomeFileSystemNames) {
    // "/dev/модем" written in UTF-8, and in Windows-1251.
    const std::string utf8 = "/dev/\xD0\xBC\xD0\xBE\xD0\xB4\xD0\xB5\xD0\xBC";
    EXPECT_EQ(with("[ports]\nCOM4=" + utf8 + "\n").port_device(4), utf8);
    EXPECT_EQ(with("[ports]\nCOM4=/dev/\xEC\xEE\xE4\xE5\xEC\n").port_device(4), utf8);
}

// Three files in the XDG order: the user's, then two system directories.
TEST_F(StoreFile, EachKeyComesFromTheFirstLayerThatHasIt) {
    struct Row {
        const char* name;
        std::string user;  // empty: no user file
        std::string me;    // "-": no value
        std::string com;   // COM1 to COM4
    };
    const Row rows[] = {
        {"NoUserFile", "", "ivan", "/dev/ttyUSB1 /dev/ttyUSB2 /dev/ttyS2 /dev/ttyUSB0"},
        {"UserMapsOnePort", "[ports]\nCOM4=/dev/ttyACM0\n", "ivan",
         "/dev/ttyUSB1 /dev/ttyUSB2 /dev/ttyS2 /dev/ttyACM0"},
        {"UserNamesHimselfInUtf8", "[1.0]\nme_users=\xD0\xB8\xD0\xB2\n", "\xE8\xE2",
         "/dev/ttyUSB1 /dev/ttyUSB2 /dev/ttyS2 /dev/ttyUSB0"},
        {"EmptyValuesCountAsSet", "[1.0]\nme_users=\n[ports]\nCOM1=\n", "-",
         "/dev/ttyS0 /dev/ttyUSB2 /dev/ttyS2 /dev/ttyUSB0"},
        {"UserFileWithoutTheKeys", "[other]\nx=1\n", "ivan",
         "/dev/ttyUSB1 /dev/ttyUSB2 /dev/ttyS2 /dev/ttyUSB0"},
    };
    const std::string system1 =
        file("sys1", "[1.0]\nme_users=ivan\n[ports]\nCOM1=/dev/ttyUSB1\nCOM4=/dev/ttyUSB0\n");
    const std::string system2 =
        file("sys2", "[1.0]\nme_users=petr\n[ports]\nCOM1=/dev/other\nCOM2=/dev/ttyUSB2\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string user_path = dir_ + "/" + row.name + ".conf";
        if (!row.user.empty()) {
            write_file(user_path, row.user);
        }
        const auto store = MachineStore::load_all({user_path, system1, system2});
        const auto me = store.me_users();
        EXPECT_EQ(me ? me->text : "-", row.me);
        std::string com;
        for (int n = 1; n <= 4; ++n) {
            com += (n > 1 ? " " : "") + store.port_device(n);
        }
        EXPECT_EQ(com, row.com);
    }
}

TEST_F(StoreFile, TheUsersOwnStoreWinsOverTheSystemOne) {
    file("home", "[ports]\r\nCOM4=/dev/ttyACM0\r\n");
    file("xdg", "[1.0]\r\nme_users=ivan\r\n[ports]\r\nCOM4=/dev/ttyS9\r\nCOM3=/dev/ttyUSB0\r\n");
    ScopedEnv config_home("XDG_CONFIG_HOME", (dir_ + "/home").c_str());
    ScopedEnv config_dirs("XDG_CONFIG_DIRS", (dir_ + "/none:" + dir_ + "/xdg").c_str());
    const auto store = MachineStore::load();
    EXPECT_EQ(store.port_device(4), "/dev/ttyACM0");
    EXPECT_EQ(store.port_device(3), "/dev/ttyUSB0");
    ASSERT_TRUE(store.me_users());
    EXPECT_EQ(store.me_users()->text, "ivan");
}

TEST_F(StoreFile, MissingStoreIsEmptyAndStaysMissing) {
    const auto store = MachineStore::load(path_);
    EXPECT_FALSE(store.me_users());
    EXPECT_EQ(store.port_device(4), "/dev/ttyS3");
    EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(StoreFile, UnreadableStoreIsEmpty) {
    // A directory where the file should be.
    std::filesystem::create_directory(path_);
    EXPECT_FALSE(MachineStore::load(path_).me_users());

    // A file we may not read: root reads anything, so the check runs as nobody then.
    std::filesystem::remove(path_);
    write_file(path_, "[1.0]\nme_users=ivan\n");
    ::chmod(path_.c_str(), 0);
    ::chmod(dir_.c_str(), 0755);
    EXPECT_TRUE(support::run_in_child([&] {
        const auto store = MachineStore::load(path_);
        EXPECT_FALSE(store.me_users());
        EXPECT_EQ(store.port_device(1), "/dev/ttyS0");
    }));
}

}  // namespace
