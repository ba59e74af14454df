#include "MachineStore.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <optional>

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

TEST(MachineStore, DefaultPathUsesTheFirstConfigDirectory) {
    EnvGuard guard("XDG_CONFIG_DIRS");
    qunsetenv("XDG_CONFIG_DIRS");
    EXPECT_EQ(MachineStore::default_path(), "/etc/xdg/user_name/user.conf");
    qputenv("XDG_CONFIG_DIRS", "");
    EXPECT_EQ(MachineStore::default_path(), "/etc/xdg/user_name/user.conf");
    qputenv("XDG_CONFIG_DIRS", "/opt/a:/opt/b");
    EXPECT_EQ(MachineStore::default_path(), "/opt/a/user_name/user.conf");
    qputenv("XDG_CONFIG_DIRS", "/only");
    EXPECT_EQ(MachineStore::default_path(), "/only/user_name/user.conf");
    qputenv("XDG_CONFIG_DIRS", ":/opt/b");
    EXPECT_EQ(MachineStore::default_path(), "/etc/xdg/user_name/user.conf");
}

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
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(2);
        }
        const auto store = MachineStore::load(path_);
        ::_exit(!store.me_users() && store.port_device(1) == "/dev/ttyS0" ? 0 : 1);
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
