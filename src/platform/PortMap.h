#pragma once

#include <string>
#include <system_error>
#include <vector>

namespace platform {

class MachineStore;

// Where a COM port's device comes from: the user's own store file, a system one, or the default
// (no file has the port, or the first one that has it leaves it empty).
enum class PortSource { UserFile, SystemFile, Default };

struct PortMapping {
    int com = 0;         // 1..4
    std::string device;  // what the dialler opens for it
    PortSource source = PortSource::Default;
    std::string file;  // the store file that gave it; empty for the default
};

// COM1..COM4 as the dialler maps them from the store files `paths`, first to last, the first
// being the user's own (MachineStore::search_paths()).
std::vector<PortMapping> port_mappings(const std::vector<std::string>& paths);

// What COMn (1..4) leads to in `store`, for the dialler's settings: "COM4 → /dev/ttyACM0,
// U.S. Robotics USR5637" (a link shown as the device it leads to, named as find_serial_devices()
// names it under `root`), or "COM4 → /dev/ttyS3, нет такого устройства". UTF-8.
std::string port_description(int com, const MachineStore& store, const std::string& root = "/");

// Maps COMn (1..4) to `device` in the user's store file `user_file`: the file and its folders
// are created when missing, every other key, section and comment is kept, and the file is
// replaced at once. An error when it cannot be read or written, and nothing is changed then.
[[nodiscard]] std::error_code map_port(const std::string& user_file, int com,
                                       const std::string& device);

}  // namespace platform
