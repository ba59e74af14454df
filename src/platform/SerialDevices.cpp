#include "platform/SerialDevices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

// The first line of a small sysfs attribute file, without its line end; empty when missing.
std::string attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// "Maker Model" of the USB device above the tty's interface: sys/class/tty/X/device is the
// interface (ttyACM) or a port below it (ttyUSB); the device holds manufacturer and product.
std::string usb_name(const fs::path& root, const std::string& kernel) {
    std::error_code error;
    fs::path dir = fs::canonical(root / "sys/class/tty" / kernel / "device", error);
    if (error) {
        return {};
    }
    for (int up = 0; up < 4 && !dir.empty() && dir != dir.root_path();
         ++up, dir = dir.parent_path()) {
        const std::string product = attribute(dir / "product");
        if (!product.empty()) {
            const std::string maker = attribute(dir / "manufacturer");
            return maker.empty() || product.starts_with(maker) ? product : maker + " " + product;
        }
    }
    return {};
}

// A by-id link's name made readable: usb-U.S._Robotics_USR5637-if00 is "U.S. Robotics USR5637".
std::string by_id_name(std::string name) {
    static const std::regex kBus("^(usb|pci|platform)-");
    static const std::regex kInterface("-if[0-9a-fA-F]+(-port[0-9]+)?$");
    name = std::regex_replace(name, kBus, "");
    name = std::regex_replace(name, kInterface, "");
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

std::string kind_name(const std::string& kernel) {
    if (kernel.starts_with("ttyACM")) {
        return "USB-модем";
    }
    if (kernel.starts_with("ttyUSB")) {
        return "USB-переходник";
    }
    if (kernel.starts_with("ttyS")) {
        return "последовательный порт";
    }
    return {};
}

// Whether the kernel has a UART behind ttySN: a device, and a port type other than unknown.
bool has_uart(const fs::path& root, const std::string& kernel) {
    const fs::path tty = root / "sys/class/tty" / kernel;
    std::error_code error;
    if (!fs::exists(tty / "device", error)) {
        return false;
    }
    const std::string type = attribute(tty / "type");
    return !type.empty() && type != "0";
}

// The device names that start with `prefix` in `dir`, in their number's order.
std::vector<std::string> numbered(const fs::path& dir, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.starts_with(prefix) &&
            name.find_first_not_of("0123456789", prefix.size()) == std::string::npos) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

}  // namespace

std::vector<SerialDevice> find_serial_devices(const std::string& root_dir) {
    const fs::path root(root_dir.empty() ? "/" : root_dir);
    const fs::path dev = root / "dev";
    std::vector<SerialDevice> found;
    std::set<std::string> linked;  // the kernel names a by-id link leads to

    std::vector<fs::path> links;
    std::error_code error;
    for (fs::directory_iterator it(dev / "serial/by-id", error), end; !error && it != end;
         it.increment(error)) {
        links.push_back(it->path());
    }
    std::sort(links.begin(), links.end());
    for (const fs::path& link : links) {
        std::error_code missing;
        if (!fs::exists(link, missing)) {
            continue;  // a link left behind by a device that has gone
        }
        // The kernel's name for the device the link leads to: ttyACM0 for usb-...-if00.
        const fs::path device = fs::weakly_canonical(link, missing);
        const std::string kernel = (missing ? link : device).filename().string();
        std::string name = usb_name(root, kernel);
        if (name.empty()) {
            name = by_id_name(link.filename().string());
        }
        found.push_back(
            {link.lexically_normal().string(), device.lexically_normal().string(), name});
        linked.insert(kernel);
    }

    for (const char* prefix : {"ttyACM", "ttyUSB", "ttyS"}) {
        for (const std::string& kernel : numbered(dev, prefix)) {
            if (linked.count(kernel) != 0 ||
                (kernel.starts_with("ttyS") && !has_uart(root, kernel))) {
                continue;
            }
            std::string name = usb_name(root, kernel);
            const std::string path = (dev / kernel).lexically_normal().string();
            found.push_back({path, path, name.empty() ? kind_name(kernel) : name});
        }
    }
    return found;
}

std::string serial_device_name(const std::string& path, const std::string& root) {
    std::error_code error;
    const std::string device = fs::weakly_canonical(path, error).lexically_normal().string();
    for (const SerialDevice& found : find_serial_devices(root)) {
        if (found.path == path || found.device == device) {
            return found.name;
        }
    }
    return {};
}

}  // namespace platform
