#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/FileError.h"
#include "platform/UniqueFd.h"

namespace platform {
namespace {

std::string directory_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::error_code last_error() {
    return {errno, std::generic_category()};
}

// The file that a write to `path` has to replace: symbolic links are followed, so that the link
// stays a link and its target gets the new contents. An error on a link that cannot be read, a
// loop or a chain too long to follow.
std::error_code resolve_links(const std::string& path, std::string& target) {
    target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return {};
        }
        std::array<char, PATH_MAX> link;
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) {
            return last_error();
        }
        if (n == 0 || std::size_t(n) >= link.size()) {
            return FileErrc::NotRegular;
        }
        const std::string next(link.data(), std::size_t(n));
        target = next.front() == '/' ? next : directory_of(target) + "/" + next;
    }
    return FileErrc::NotRegular;
}

mode_t current_umask() {
    // Reading the mask from /proc leaves it untouched; umask() itself must set it to read it.
    if (std::FILE* f = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, f)) {
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        }
        std::fclose(f);
        if (found) {
            return mode_t(mask);
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

std::error_code write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return last_error();
        }
        data.remove_prefix(std::size_t(n));
    }
    return {};
}

// Why `st`, the status of an existing file, is no file to read or replace; empty for a regular
// file.
std::error_code not_a_file(const struct stat& st) {
    if (S_ISREG(st.st_mode)) {
        return {};
    }
    if (S_ISDIR(st.st_mode)) {
        return std::make_error_code(std::errc::is_a_directory);
    }
    return FileErrc::NotRegular;
}

// Reads what `fd` holds from its start; false when it cannot be read whole.
bool read_from_start(int fd, std::string& bytes) {
    std::array<char, 65536> buffer;
    for (off_t offset = 0;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), offset);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.append(buffer.data(), std::size_t(n));
        offset += n;
    }
}

// Makes the open file `fd` hold exactly `bytes`, durably. The new contents are written over the
// old ones before the file is cut to length, so that a file system that has no room for more
// still takes contents no longer than the old ones.
std::error_code overwrite(int fd, std::string_view bytes) {
    off_t offset = 0;
    for (std::string_view rest = bytes; !rest.empty();) {
        const ssize_t n = ::pwrite(fd, rest.data(), rest.size(), offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return last_error();
        }
        rest.remove_prefix(std::size_t(n));
        offset += n;
    }
    if (::ftruncate(fd, offset) != 0 || ::fsync(fd) != 0) {
        return last_error();
    }
    return {};
}

// Rewrites the existing file `target` where its directory takes no temporary file (a shared
// folder whose files may be written but not its entries). This cannot be atomic: when writing
// fails half-way, the old contents are put back where the file could also be read.
std::error_code rewrite_in_place(const std::string& target, std::string_view bytes) {
    constexpr int kFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    UniqueFd fd(::open(target.c_str(), O_RDWR | kFlags));
    bool readable = bool(fd);
    if (!fd) {
        fd = UniqueFd(::open(target.c_str(), O_WRONLY | kFlags));
    }
    if (!fd) {
        return last_error();
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        return last_error();
    }
    if (auto error = not_a_file(st)) {
        return error;
    }
    std::string old;
    readable = readable && read_from_start(fd.get(), old);
    if (auto error = overwrite(fd.get(), bytes)) {
        if (readable) {
            [[maybe_unused]] const auto ignored = overwrite(fd.get(), old);
        }
        return error;
    }
    if (!fd.close_checked()) {
        return last_error();
    }
    return {};
}

}  // namespace

FileRead read_whole_file(const std::string& path) {
    FileRead result;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        result.error = last_error();
        return result;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        result.error = last_error();
        return result;
    }
    result.error = not_a_file(st);
    if (result.error) {
        return result;
    }
    result.opened = true;
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n == 0) {
            return result;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = last_error();
            result.bytes.clear();
            return result;
        }
        result.bytes.append(buffer.data(), std::size_t(n));
    }
}

std::error_code replace_file(const std::string& path, std::string_view bytes) {
    std::string target;
    if (auto error = resolve_links(path, target)) {
        return error;
    }
    struct stat old {};
    bool exists = false;
    if (::stat(target.c_str(), &old) == 0) {
        exists = true;
        // A read-only file is never replaced, although its directory would allow the rename;
        // nor is anything that is not a plain file.
        if (auto error = not_a_file(old)) {
            return error;
        }
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            return last_error();
        }
    } else if (errno != ENOENT) {
        return last_error();
    }

    std::string temp = directory_of(target) + "/.zvonmat-save.XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd) {
        const int refused = errno;
        if (exists && (refused == EACCES || refused == EPERM || refused == EROFS)) {
            return rewrite_in_place(target, bytes);
        }
        return {refused, std::generic_category()};
    }
    std::error_code error = write_all(fd.get(), bytes);
    if (!error && exists) {
        // Keeping the owner only works for a privileged writer; otherwise the file becomes ours.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
    }
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~current_umask());
    if (!error && ::fchmod(fd.get(), mode) != 0) {
        error = last_error();
    }
    if (!error && ::fsync(fd.get()) != 0) {
        error = last_error();
    }
    if (!fd.close_checked() && !error) {
        error = last_error();
    }
    if (!error && ::rename(temp.c_str(), target.c_str()) != 0) {
        error = last_error();
    }
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    // Make the rename itself durable; the file is complete whether or not this succeeds.
    UniqueFd dir(::open(directory_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.get());
    }
    return {};
}

std::error_code append_file(const std::string& path, std::string_view bytes) {
    // O_NONBLOCK: a FIFO under the file's name with no reader fails at once instead of hanging.
    UniqueFd fd(::open(path.c_str(),
                       O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666));
    if (!fd) {
        return last_error();
    }
    ssize_t written;
    do {
        written = ::write(fd.get(), bytes.data(), bytes.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        return last_error();
    }
    if (std::size_t(written) != bytes.size()) {
        // A short write means the disk is full; take the partial piece back.
        struct stat st {};
        if (::fstat(fd.get(), &st) == 0) {
            [[maybe_unused]] const int ignored = ::ftruncate(fd.get(), st.st_size - written);
        }
        return std::make_error_code(std::errc::no_space_on_device);
    }
    if (!fd.close_checked()) {
        return last_error();
    }
    return {};
}

}  // namespace platform
