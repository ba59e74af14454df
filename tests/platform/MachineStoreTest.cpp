#include "platform/MachineStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "support/AsUser.h"

namespace {

using platform::MachineStore;
using Type = MachineStore::ValueType;
using namespace std::string_literals;

class EnvGuard {
  public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (qEnvironmentVariableIsSet(name)) {
            saved_ = qgetenv(name);
        }
    }
    ~EnvGuard() {
        if (saved_) {
            qputenv(name_, *saved_);
        } else {
            qunsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<QByteArray> saved_;
};

struct PathsRow {
    const char* name;
    const char* config_home;  // nullptr: unset
    const char* home;
    const char* config_dirs;
    std::vector<std::string> paths;
};

std::ostream& operator<<(std::ostream& os, const PathsRow& row) {
    return os << row.name;
}

class SearchPaths : public ::testing::TestWithParam<PathsRow> {};

TEST_P(SearchPaths, FollowTheXdgOrder) {
    EnvGuard config_home("XDG_CONFIG_HOME"), home("HOME"), config_dirs("XDG_CONFIG_DIRS");
    const auto set = [](const char* name, const char* value) {
        if (value) {
            qputenv(name, value);
        } else {
            qunsetenv(name);
        }
    };
    set("XDG_CONFIG_HOME", GetParam().config_home);
    set("HOME", GetParam().home);
    set("XDG_CONFIG_DIRS", GetParam().config_dirs);
    EXPECT_EQ(MachineStore::search_paths(), GetParam().paths);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SearchPaths,
    ::testing::Values(
        PathsRow{"Defaults",
                 nullptr,
                 "/home/ivan",
                 nullptr,
                 {"/home/ivan/.config/user_name/user.conf", "/etc/xdg/user_name/user.conf"}},
        PathsRow{"EmptyVariablesAreDefaults",
                 "",
                 "/home/ivan",
                 "",
                 {"/home/ivan/.config/user_name/user.conf", "/etc/xdg/user_name/user.conf"}},
        PathsRow{"ConfigHomeFirstThenEachSystemDirectory",
                 "/cfg",
                 "/home/ivan",
                 "/opt/a:/opt/b",
                 {"/cfg/user_name/user.conf", "/opt/a/user_name/user.conf",
                  "/opt/b/user_name/user.conf"}},
        PathsRow{"EmptyAndRelativeEntriesAreLeftOut",
                 "relative",
                 "/home/ivan",
                 ":rel:/opt/b:",
                 {"/home/ivan/.config/user_name/user.conf", "/opt/b/user_name/user.conf"}},
        PathsRow{"OnlyRelativeSystemEntriesGiveTheDefault",
                 nullptr,
                 "/home/ivan",
                 "a:b",
                 {"/home/ivan/.config/user_name/user.conf", "/etc/xdg/user_name/user.conf"}},
        PathsRow{"NoHomeNoUserFile", nullptr, nullptr, "/only", {"/only/user_name/user.conf"}}),
    [](const auto& info) { return std::string(info.param.name); });

class StoreFile : public ::testing::Test {
  protected:
    MachineStore with(std::string_view bytes) {
        std::ofstream(path_, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return MachineStore::load(path_);
    }
    QTemporaryDir tmp_;
    std::string path_ = tmp_.path().toStdString() + "/user.conf";
};

struct MeRow {
    const char* name;
    std::string file;
    std::optional<Type> type;  // nothing: no value
    std::string text;
};

std::ostream& operator<<(std::ostream& os, const MeRow& row) {
    return os << row.name;
}

class MeUsers : public StoreFile, public ::testing::WithParamInterface<MeRow> {};

TEST_P(MeUsers, ReadsTheValue) {
    const auto v = with(GetParam().file).me_users();
    ASSERT_EQ(v.has_value(), GetParam().type.has_value());
    if (v) {
        EXPECT_EQ(v->type, *GetParam().type);
        if (v->type == Type::Text) {
            EXPECT_EQ(v->text, GetParam().text);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MeUsers,
    ::testing::Values(
        MeRow{"Text", "[1.0]\nme_users=ivan\n", Type::Text, "ivan"},
        MeRow{"NamesIgnoreCase", "[1.0]\r\nME_USERS = ivan \r\n", Type::Text, "ivan"},
        MeRow{"Quoted", "[1.0]\nme_users=\"ivan petrov\"\n", Type::Text, "ivan petrov"},
        MeRow{"Cyrillic", "[1.0]\nme_users=\xC8\xE2\xE0\xED\n", Type::Text, "\xC8\xE2\xE0\xED"},
        MeRow{"StopsAtNul", "[1.0]\nme_users=ab\0cd\n"s, Type::Text, "ab"},
        MeRow{"EmptyIsMissing", "[1.0]\nme_users=\n", std::nullopt, ""},
        MeRow{"NulFirstIsMissing", "[1.0]\nme_users=\0x\n"s, std::nullopt, ""},
        MeRow{"MissingKey", "[1.0]\nother=x\n", std::nullopt, ""},
        MeRow{"MissingSection", "[2.0]\nme_users=x\n", std::nullopt, ""},
        MeRow{"Dword", "[1.0]\nme_users=dword:0000000a\n", Type::Other, ""},
        MeRow{"DwordUpperCase", "[1.0]\nme_users=DWORD:1\n", Type::Other, ""},
        MeRow{"Hex", "[1.0]\nme_users=hex:41,42\n", Type::Other, ""},
        MeRow{"HexTyped", "[1.0]\nme_users=Hex(7):41,00\n", Type::Other, ""},
        MeRow{"HexWordIsText", "[1.0]\nme_users=hexagon\n", Type::Text, "hexagon"},
        MeRow{"Expandable", "[1.0]\nme_users=hex(2):69,00,76,00,61,00,6e,00,00,00\n", Type::Text,
              "ivan"},
        MeRow{"ExpandableCyrillicUpperCase",
              "[1.0]\nme_users=HEX(2):38,04,32,04,30,04,3D,04,00,00\n", Type::Text,
              "\xE8\xE2\xE0\xED"},
        MeRow{"ExpandableBlanksAndNoNul", "[1.0]\nme_users=hex(2): 41, 00 ,42,00\n", Type::Text,
              "AB"},
        MeRow{"ExpandableStopsAtNul", "[1.0]\nme_users=hex(2):61,00,00,00,62,00\n", Type::Text,
              "a"},
        MeRow{"ExpandableOddByteLeftOver", "[1.0]\nme_users=hex(2):61,00,62\n", Type::Text, "a"},
        MeRow{"ExpandableNoCp1251Form", "[1.0]\nme_users=hex(2):df,00,41,00\n", Type::Text, "?A"},
        MeRow{"ExpandableEmptyIsMissing", "[1.0]\nme_users=hex(2):\n", std::nullopt, ""},
        MeRow{"ExpandableNulIsMissing", "[1.0]\nme_users=hex(2):00,00,41,00\n", std::nullopt, ""},
        MeRow{"ExpandableNotHex", "[1.0]\nme_users=hex(2):4g,00\n", Type::Other, ""},
        MeRow{"ExpandableThreeDigits", "[1.0]\nme_users=hex(2):041,00\n", Type::Other, ""},
        MeRow{"ExpandableEmptyItem", "[1.0]\nme_users=hex(2):41,,00\n", Type::Other, ""},
        MeRow{"Utf8EightLetters",
              "[1.0]\nme_users=\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xB2\xD0\xB8\xD1\x87\n",
              Type::Text, "\xE8\xE2\xE0\xED\xEE\xE2\xE8\xF7"},
        MeRow{"Utf8WithByteOrderMark", "\xEF\xBB\xBF[1.0]\nme_users=\xD0\x98\xD0\xB2\n", Type::Text,
              "\xC8\xE2"},
        MeRow{"Utf8NoCp1251Form", "[1.0]\nme_users=a\xC3\x9F\xF0\x9F\x93\x9E\n", Type::Text, "a??"},
        MeRow{"OneInvalidByteMakesTheFileCp1251", "; \xFF\n[1.0]\nme_users=\xD0\xB8\n", Type::Text,
              "\xD0\xB8"},
        MeRow{"Garbage", "\xFF\xFE\0\0garbage\n[1.0\nme_users\n"s, std::nullopt, ""}),
    [](const auto& info) { return std::string(info.param.name); });

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
class Layers : public ::testing::Test {
  protected:
    std::string file(const std::string& name, std::string_view bytes) {
        const std::string dir = tmp_.path().toStdString() + "/" + name + "/user_name";
        std::filesystem::create_directories(dir);
        std::ofstream(dir + "/user.conf", std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size()));
        return dir + "/user.conf";
    }
    QTemporaryDir tmp_;
};

TEST_F(Layers, EachKeyComesFromTheFirstFileThatHasIt) {
    struct Row {
        const char* name;
        std::string user;  // empty: no user file
        std::string me;    // "-": no value
        std::string com[4];
    };
    const std::string system1 =
        "[1.0]\nme_users=ivan\n[ports]\nCOM1=/dev/ttyUSB1\nCOM4=/dev/ttyUSB0\n";
    const std::string system2 =
        "[1.0]\nme_users=petr\n[ports]\nCOM1=/dev/other\nCOM2=/dev/ttyUSB2\n";
    const Row rows[] = {
        {"NoUserFile", "", "ivan", {"/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyS2", "/dev/ttyUSB0"}},
        {"UserMapsOnePort",
         "[ports]\nCOM4=/dev/ttyACM0\n",
         "ivan",
         {"/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyS2", "/dev/ttyACM0"}},
        {"UserNamesHimselfInUtf8",
         "[1.0]\nme_users=\xD0\xB8\xD0\xB2\n",
         "\xE8\xE2",
         {"/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyS2", "/dev/ttyUSB0"}},
        {"EmptyValuesCountAsSet",
         "[1.0]\nme_users=\n[ports]\nCOM1=\n",
         "-",
         {"/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyS2", "/dev/ttyUSB0"}},
        {"UserFileWithoutTheKeys",
         "[other]\nx=1\n",
         "ivan",
         {"/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyS2", "/dev/ttyUSB0"}},
    };
    const std::string system1_path = file("sys1", system1);
    const std::string system2_path = file("sys2", system2);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string user_path = tmp_.path().toStdString() + "/" + row.name + ".conf";
        if (!row.user.empty()) {
            std::ofstream(user_path, std::ios::binary) << row.user;
        }
        const auto store = MachineStore::load_all({user_path, system1_path, system2_path});
        const auto me = store.me_users();
        EXPECT_EQ(me ? me->text : "-", row.me);
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(store.port_device(n), row.com[n - 1]) << "COM" << n;
        }
    }
}

TEST_F(Layers, TheUsersOwnStoreWinsOverTheSystemOne) {
    EnvGuard config_home("XDG_CONFIG_HOME"), config_dirs("XDG_CONFIG_DIRS");
    file("home", "[ports]\r\nCOM4=/dev/ttyACM0\r\n");
    file("xdg", "[1.0]\r\nme_users=ivan\r\n[ports]\r\nCOM4=/dev/ttyS9\r\nCOM3=/dev/ttyUSB0\r\n");
    qputenv("XDG_CONFIG_HOME", (tmp_.path() + "/home").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (tmp_.path() + "/none:" + tmp_.path() + "/xdg").toLocal8Bit());
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
    std::ofstream(path_) << "[1.0]\nme_users=ivan\n";
    ::chmod(path_.c_str(), 0);
    ::chmod(tmp_.path().toLocal8Bit().constData(), 0755);
    EXPECT_TRUE(support::run_in_child([&] {
        const auto store = MachineStore::load(path_);
        EXPECT_FALSE(store.me_users());
        EXPECT_EQ(store.port_device(1), "/dev/ttyS0");
    }));
}

}  // namespace
