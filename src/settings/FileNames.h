#pragma once

#include <string>
#include <string_view>

// Every data file is work_dir + "/zvonmat" + user_key + extension, computed anew at each use.
// work_dir is the directory current at start-up, as native (UTF-8) bytes; the root directory
// gives an empty work_dir, so its files are "/zvonmat.ini" and so on. user_key is Windows-1251.

// work_dir from the current directory's path.
std::string work_dir_from(std::string current_dir);

// The current directory at this moment, as work_dir.
std::string current_work_dir();

std::string data_file_path(std::string_view work_dir, std::string_view user_key,
                           std::string_view extension);

inline std::string settings_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, ".ini");
}
inline std::string quick_list_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, ".lst");
}
inline std::string journal_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, ".jur");
}
