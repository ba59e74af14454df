#include "PhoneBookFiles.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "Error.h"
#include "FileNames.h"
#include "Files.h"
#include "UniqueFd.h"

namespace {

constexpr char kEndOfFile = 26;

std::string reason(int code) {
    return std::strerror(code);
}

// Why replace_file() failed. It leaves errno alone where no system call failed, which happens
// when the target exists but is no plain file.
std::string write_failure_reason(const std::string& path, int code) {
    if (code != 0) {
        return reason(code);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return reason(EISDIR);
    }
    return "Not a regular file";
}

}  // namespace

std::string phone_book_names_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, "._tf");
}

std::string phone_book_numbers_path(std::string_view work_dir, std::string_view user_key) {
    return data_file_path(work_dir, user_key, "._fm");
}

PhoneBookColumn parse_phone_book(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find(kEndOfFile));
    PhoneBookColumn column;
    std::size_t row = 0;
    std::size_t start = 0;
    while (start < bytes.size() && row < column.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            column[row] = bytes.substr(start);
            break;
        }
        column[row++] = bytes.substr(start, end - start);
        start = end + 1;
        if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }
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
    // O_NONBLOCK: opening a FIFO placed under the file's name must not hang the window.
    platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw platform::Error("Cannot read file " + path + ": " + reason(errno));
        }
        bytes.append(buffer, std::size_t(n));
        // Nothing after the end-of-file byte counts, so there is no need to read it.
        if (n == 0 || std::memchr(buffer, kEndOfFile, std::size_t(n)) != nullptr) {
            return parse_phone_book(bytes);
        }
    }
}

void write_phone_book(const std::string& path, const PhoneBookColumn& column) {
    const std::string bytes = format_phone_book(column);
    errno = 0;
    if (!platform::replace_file(path, bytes)) {
        const int code = errno;
        throw platform::Error("Cannot create file " + path + ": " +
                              write_failure_reason(path, code));
    }
}
