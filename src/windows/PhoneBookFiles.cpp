#include "windows/PhoneBookFiles.h"

#include <algorithm>

#include "platform/FileError.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/FileNames.h"

namespace {

constexpr char kEndOfFile = 26;

void check_written(const std::string& path, std::error_code error) {
    if (error) {
        throw platform::file_error(platform::FileMessage::CannotCreate, path, error);
    }
}

platform::PreparedReplace prepare(const std::string& path, const PhoneBookColumn& column) {
    auto prepared = platform::PreparedReplace::prepare(path, format_phone_book(column));
    check_written(path, prepared.error());
    return prepared;
}

}  // namespace

std::string phone_book_names_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, "._tf");
}

std::string phone_book_numbers_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, "._fm");
}

PhoneBookColumn parse_phone_book(std::string_view bytes) {
    const auto lines =
        platform::split_lines(bytes.substr(0, bytes.find(kEndOfFile)), platform::LineEnds::CrOrLf);
    PhoneBookColumn column;
    const std::size_t rows = std::min(lines.size(), column.size());
    for (std::size_t row = 0; row < rows; ++row) {
        column[row] = lines[row].text;
    }
    return column;
}

std::string format_phone_book(const PhoneBookColumn& column) {
    std::string bytes;
    for (const std::string& cell : column) {
        for (const char c : cell) {
            bytes += static_cast<unsigned char>(c) < 32 ? '?' : c;
        }
        bytes += "\r\n";
    }
    return bytes;
}

std::optional<PhoneBookColumn> read_phone_book(const std::string& path) {
    const platform::FileRead read = platform::read_whole_file(path);
    if (!read.opened) {
        return std::nullopt;
    }
    if (read.error) {
        throw platform::file_error(platform::FileMessage::CannotRead, path, read.error);
    }
    return parse_phone_book(read.bytes);
}

void write_phone_book(const std::string& path, const PhoneBookColumn& column) {
    check_written(path, platform::replace_file(path, format_phone_book(column)));
}

void write_phone_book_pair(const std::string& names_path, const PhoneBookColumn& names,
                           const std::string& numbers_path, const PhoneBookColumn& numbers) {
    auto new_names = prepare(names_path, names);
    auto new_numbers = prepare(numbers_path, numbers);
    check_written(names_path, new_names.commit());
    check_written(numbers_path, new_numbers.commit());
}
