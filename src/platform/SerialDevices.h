#pragma once

#include <string>
#include <vector>

namespace platform {

// A serial device that exists on this machine.
struct SerialDevice {
    std::string path;    // what to open and to store: the /dev/serial/by-id link where there is
                         // one, so that the choice survives re-plugging; the device otherwise
    std::string device;  // the device the path leads to, e.g. /dev/ttyACM0
    std::string name;    // who made it and what it is, e.g. "U.S. Robotics USR5637"; or its kind

    bool operator==(const SerialDevice&) const = default;
};

// The serial devices under `root` (normally "/"): each link in dev/serial/by-id, then each
// dev/ttyACM* and dev/ttyUSB* no link leads to, then each dev/ttyS* behind which the kernel has a
// UART (sys/class/tty/ttySN has a device and a type other than 0: the kernel makes every ttyS0..3
// whether or not there is a chip). The readable name comes from the USB device's manufacturer and
// product in sys, else from the by-id link's name, else from the kind of device. Paths keep
// `root` in front, so that a test's tree is opened where it lies.
std::vector<SerialDevice> find_serial_devices(const std::string& root = "/");

// The readable name of the device `path` leads to (a by-id link or the device itself), looked up
// as find_serial_devices() does; empty when it is none of them.
std::string serial_device_name(const std::string& path, const std::string& root = "/");

}  // namespace platform
