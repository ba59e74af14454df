#include "settings/FileNames.h"

#include <QFile>
#include <filesystem>

#include "platform/Cp1251.h"

std::string work_dir_from(std::string current_dir) {
    // Names are joined with "/", so the directory is held without a trailing one: the root
    // directory becomes empty and its files are "/zvonmat.ini" and so on.
    while (!current_dir.empty() && current_dir.back() == '/') {
        current_dir.pop_back();
    }
    return current_dir;
}

std::string current_work_dir() {
    return work_dir_from(std::filesystem::current_path().native());
}

std::string data_file_path(std::string_view work_dir, std::string_view user_key,
                           std::string_view extension) {
    // user_key is a Windows-1251 text; the file system wants the local file-name encoding.
    const QByteArray key = QFile::encodeName(platform::fromCp1251(user_key));
    std::string path(work_dir);
    path += "/zvonmat";
    path.append(key.constData(), std::size_t(key.size()));
    path += extension;
    return path;
}
