#include "platform/PortMap.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/IniFile.h"
#include "platform/MachineStore.h"
#include "platform/SerialDevices.h"

namespace platform {
namespace {

// Creates each missing folder of `dir`, only for the user to enter, as the XDG rules ask of
// the configuration directory.
std::error_code make_folders(const std::filesystem::path& dir) {
    if (dir.empty() || dir == dir.root_path()) {
        return {};
    }
    struct stat info {};
    if (::stat(dir.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? std::error_code()
                                     : std::make_error_code(std::errc::not_a_directory);
    }
    if (errno != ENOENT) {
        return {errno, std::generic_category()};
    }
    if (const std::error_code error = make_folders(dir.parent_path())) {
        return error;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        return {errno, std::generic_category()};
    }
    return {};
}

}  // namespace

std::vector<PortMapping> port_mappings(const std::vector<std::string>& paths) {
    // Each file is read once; the first that has a port's entry decides it, as in load_all().
    std::vector<MachineStore> stores;
    for (const std::string& path : paths) {
        stores.push_back(MachineStore::load(path));
    }
    std::vector<PortMapping> mappings;
    for (int com = 1; com <= 4; ++com) {
        PortMapping mapping{com, MachineStore().port_device(com), PortSource::Default, {}};
        for (std::size_t i = 0; i < stores.size(); ++i) {
            const auto entry = stores[i].port_entry(com);
            if (entry) {
                if (!entry->empty()) {
                    mapping.device = *entry;
                    mapping.source = i == 0 ? PortSource::UserFile : PortSource::SystemFile;
                    mapping.file = paths[i];
                }
                break;
            }
        }
        mappings.push_back(mapping);
    }
    return mappings;
}

std::string port_description(int com, const MachineStore& store, const std::string& root) {
    const std::string path = store.port_device(com);
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(path, error);
    const std::string head = "COM" + std::to_string(com) + " → ";
    if (error) {
        return head + path + ", нет такого устройства";
    }
    const std::string name = serial_device_name(path, root);
    return head + device.string() + (name.empty() ? std::string() : ", " + name);
}

std::error_code map_port(const std::string& user_file, int com, const std::string& device) {
    if (com < 1 || com > 4) {
        return std::make_error_code(std::errc::invalid_argument);
    }
    if (const std::error_code error =
            make_folders(std::filesystem::path(user_file).parent_path())) {
        return error;
    }
    IniFile::Loaded loaded = IniFile::load_for_update(user_file);
    if (loaded.error) {
        return loaded.error;
    }
    loaded.ini.set_value("ports", "COM" + std::to_string(com), device);
    return loaded.ini.save(user_file);
}

}  // namespace platform
