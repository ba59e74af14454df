#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/MachineStore.h"
#include "platform/PortMap.h"
#include "platform/SerialDevices.h"
#include "support/AsUser.h"
#include "support/FileContents.h"

namespace {

namespace fs = std::filesystem;
using platform::PortSource;
using platform::SerialDevice;

// A fake machine under a temporary root: files, folders and relative links as the kernel lays
// out /dev and /sys.
struct FakeRoot {
    QTemporaryDir dir;
    std::string root = dir.path().toStdString();

    void file(const std::string& path, const std::string& text = {}) {
        fs::create_directories(fs::path(root + path).parent_path());
        write_file(root + path, text);
    }
    void link(const std::string& path, const std::string& target) {
        fs::create_directories(fs::path(root + path).parent_path());
        fs::create_symlink(target, root + path);
    }
    // A USB modem with its interface and device in sys.
    void usb(const std::string& kernel, const std::string& maker, const std::string& product) {
        const std::string usb = "/sys/devices/pci0/usb1/1-1";
        file("/dev/" + kernel);
        file(usb + "/product", product + "\n");
        file(usb + "/manufacturer", maker + "\n");
        fs::create_directories(root + usb + "/1-1:1.0/" + kernel);
        link("/sys/class/tty/" + kernel + "/device", "../../../devices/pci0/usb1/1-1/1-1:1.0");
    }
    // An on-board port ttySn; `type` 0 where the kernel found no UART.
    void uart(const std::string& kernel, const char* type) {
        file("/dev/" + kernel);
        file("/sys/class/tty/" + kernel + "/type", type);
        fs::create_directories(root + "/sys/class/tty/" + kernel + "/device");
    }
};

TEST(SerialDevices, FindsTheDevicesThatExistWithTheirNames) {
    struct Row {
        const char* name;
        void (*make)(FakeRoot&);
        std::vector<std::vector<std::string>> found;  // path, device, name; paths under the root
    };
    const Row rows[] = {
        {"by-id links named by the USB maker and model, else by the link; their devices once",
         [](FakeRoot& r) {
             r.usb("ttyACM0", "U.S. Robotics", "USR5637");
             r.link("/dev/serial/by-id/usb-USR_USR5637_1234-if00", "../../ttyACM0");
             r.file("/dev/ttyUSB0");
             r.link("/dev/serial/by-id/usb-Prolific_USB-Serial-if00-port0", "../../ttyUSB0");
         },
         {{"/dev/serial/by-id/usb-Prolific_USB-Serial-if00-port0", "/dev/ttyUSB0",
           "Prolific USB-Serial"},
          {"/dev/serial/by-id/usb-USR_USR5637_1234-if00", "/dev/ttyACM0",
           "U.S. Robotics USR5637"}}},
        {"a link left by a device that has gone is not listed",
         [](FakeRoot& r) { r.link("/dev/serial/by-id/usb-Gone-if00", "../../ttyACM7"); },
         {}},
        {"devices without links, by kind and number; ttyS only with a UART",
         [](FakeRoot& r) {
             r.file("/dev/ttyUSB10");
             r.file("/dev/ttyUSB2");
             r.usb("ttyACM1", "", "Modem 56k");
             r.uart("ttyS0", "4\n");
             r.uart("ttyS1", "0\n");
             r.file("/dev/ttyS2");
             r.file("/dev/ttyACMx");
         },
         {{"/dev/ttyACM1", "/dev/ttyACM1", "Modem 56k"},
          {"/dev/ttyUSB2", "/dev/ttyUSB2", "USB-переходник"},
          {"/dev/ttyUSB10", "/dev/ttyUSB10", "USB-переходник"},
          {"/dev/ttyS0", "/dev/ttyS0", "последовательный порт"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeRoot fake;
        row.make(fake);
        std::vector<SerialDevice> expected;
        for (const auto& e : row.found) {
            expected.push_back({fake.root + e[0], fake.root + e[1], e[2]});
        }
        EXPECT_EQ(platform::find_serial_devices(fake.root), expected);
        for (const SerialDevice& device : expected) {
            EXPECT_EQ(platform::serial_device_name(device.device, fake.root), device.name);
        }
    }
}

// What the settings dialog says a COM port leads to.
TEST(PortMap, DescribesThePortsDevice) {
    FakeRoot fake;
    fake.usb("ttyACM0", "U.S. Robotics", "USR5637");
    fake.link("/dev/serial/by-id/usb-USR-if00", "../../ttyACM0");
    const std::string r = fake.root;
    const auto store = platform::MachineStore::parse(
        "[ports]\nCOM1=" + r + "/dev/serial/by-id/usb-USR-if00\nCOM3=" + r + "/dev/ttyACM5\n");
    EXPECT_EQ(platform::port_description(1, store, r),
              "COM1 → " + r + "/dev/ttyACM0, U.S. Robotics USR5637");
    EXPECT_EQ(platform::port_description(3, store, r),
              "COM3 → " + r + "/dev/ttyACM5, нет такого устройства");
}

// Each row: the user's file before (nullptr: missing), what it holds after mapping COM4 to the
// modem, or the error; then where each COM comes from.
TEST(PortMap, WritesTheUsersFileKeepingTheRest) {
    const std::string modem = "/dev/serial/by-id/usb-Modem-if00";
    struct Row {
        const char* name;
        const char* before;
        bool read_only_dir;
        int error;  // errno
        std::string after;
    };
    const Row rows[] = {
        {"a missing file and folder are created", nullptr, false, 0,
         "[ports]\r\nCOM4=" + modem + "\r\n"},
        {"keys, sections and comments are kept, the port replaced",
         "; mine\n[1.0]\nme_users=ivan\n[ports]\n; the old one\nCOM4=/dev/ttyS3\nCOM1=/dev/x\n",
         false, 0,
         "; mine\n[1.0]\nme_users=ivan\n[ports]\n; the old one\nCOM4=" + modem +
             "\r\nCOM1=/dev/x\n"},
        {"a read-only folder is reported", nullptr, true, EACCES, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString() + "/config/user_name";
        const std::string file = folder + "/user.conf";
        if (row.before != nullptr || row.read_only_dir) {
            fs::create_directories(folder);
        }
        if (row.before != nullptr) {
            write_file(file, row.before);
        }
        if (row.read_only_dir) {
            // Open to the unprivileged user down to the folder, which nobody may write.
            for (const std::string& path : {dir.path().toStdString(), folder + "/..", folder}) {
                ::chmod(path.c_str(), 0555);
            }
        }
        EXPECT_TRUE(support::run_in_child(
            [&] { EXPECT_EQ(platform::map_port(file, 4, modem).value(), row.error); },
            row.read_only_dir ? support::As::Nobody : support::As::Self));
        EXPECT_EQ(file_contents(file), row.after);
        for (const std::string& path : {folder, folder + "/.."}) {
            ::chmod(path.c_str(), 0700);  // so that the temporary directory can go
        }
    }

    // Your file first, then the system's, then the default; an empty entry is the default.
    QTemporaryDir dir;
    const std::string user = dir.filePath("user.conf").toStdString();
    const std::string system = dir.filePath("system.conf").toStdString();
    write_file(user, "[ports]\nCOM1=/dev/a\nCOM2=\n");
    write_file(system, "[ports]\nCOM1=/dev/b\nCOM2=/dev/c\nCOM3=/dev/d\n");
    std::vector<std::pair<std::string, PortSource>> mappings;
    for (const platform::PortMapping& mapping : platform::port_mappings({user, system})) {
        mappings.emplace_back(mapping.device, mapping.source);
    }
    EXPECT_EQ(mappings, (decltype(mappings){{"/dev/a", PortSource::UserFile},
                                            {"/dev/ttyS1", PortSource::Default},
                                            {"/dev/d", PortSource::SystemFile},
                                            {"/dev/ttyS3", PortSource::Default}}));
}

}  // namespace
