#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include "platform/FileError.h"
#include "platform/UniqueFd.h"

namespace platform {
namespace {

constexpr std::string_view kTempPrefix = ".zvonmat-save.";

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

// Whether the kernel's protected_symlinks rule follows `link`, a link whose status is `st`.
bool may_follow(const std::string& link, const struct stat& st) {
    if (st.st_uid == ::geteuid()) {
        return true;
    }
    struct stat dir {};
    if (::stat(directory_of(link).c_str(), &dir) != 0) {
        return false;
    }
    const bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
    return !shared || dir.st_uid == st.st_uid;
}

// The file that `path` names: symbolic links are followed, so that a write keeps the link a link
// and gives its target the new contents. An error on a link that cannot be read or may not be
// followed, a loop or a chain too long to follow.
std::error_code resolve_links(const std::string& path, std::string& target) {
    target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return {};
        }
        if (!may_follow(target, st)) {
            return std::make_error_code(std::errc::permission_denied);
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
    constexpr int kFlags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
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

// A name for a temporary file in the directory of `target` that nothing has yet (most likely).
std::string temporary_name(const std::string& target) {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::array<unsigned char, 6> random{};
    if (::getrandom(random.data(), random.size(), GRND_NONBLOCK) != ssize_t(random.size())) {
        // No randomness yet: the process and a count still differ from one attempt to the next.
        static unsigned counter = 0;
        const unsigned seed = unsigned(::getpid()) * 7919u + ++counter * 104729u;
        for (std::size_t i = 0; i < random.size(); ++i) {
            random[i] = (unsigned char)(seed >> (i * 5));
        }
    }
    std::string name = directory_of(target) + "/" + std::string(kTempPrefix);
    for (const unsigned char r : random) {
        name += kLetters[r % kLetters.size()];
    }
    return name;
}

// Gives the unnamed file `fd` a name: `target` itself when there is no such file yet, otherwise
// a new temporary name, left in `temp`, for the caller to rename over the target.
std::error_code name_unnamed(int fd, const std::string& target, bool exists, std::string& temp) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (!exists) {
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return {};
        }
        if (errno != EEXIST) {
            return last_error();
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporary_name(target);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp = std::move(name);
            return {};
        }
        if (errno != EEXIST) {
            return last_error();
        }
    }
    return std::make_error_code(std::errc::file_exists);
}

}  // namespace

UniqueFd open_data_file(const std::string& path, int flags, mode_t mode) {
    std::string target;
    if (const auto error = resolve_links(path, target)) {
        errno = error.category() == std::generic_category() ? error.value() : ELOOP;
        return {};
    }
    // The links were checked on the way; a link put in the target's place since is refused.
    return UniqueFd(::open(target.c_str(), flags | O_NOFOLLOW, mode));
}

FileRead read_whole_file(const std::string& path) {
    FileRead result;
    UniqueFd fd = open_data_file(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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

PreparedReplace PreparedReplace::prepare(const std::string& path, std::string_view bytes) {
    PreparedReplace prepared;
    prepared.error_ = prepared.start(path, bytes);
    if (prepared.error_) {
        prepared.discard();
    }
    return prepared;
}

std::error_code PreparedReplace::start(const std::string& path, std::string_view bytes) {
    if (auto error = resolve_links(path, target_)) {
        return error;
    }
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0) {
        exists_ = true;
        // A read-only file is never replaced, although its directory would allow the rename;
        // nor is anything that is not a plain file.
        if (auto error = not_a_file(old)) {
            return error;
        }
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            return last_error();
        }
    } else if (errno != ENOENT) {
        return last_error();
    }

    const std::string dir = directory_of(target_);
    fd_ = UniqueFd(::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    int refused = errno;
    if (!fd_ && (refused == EOPNOTSUPP || refused == EISDIR || refused == EINVAL)) {
        // A file system that has no unnamed files: a named one, removed again on failure.
        temp_ = dir + "/" + std::string(kTempPrefix) + "XXXXXX";
        fd_ = UniqueFd(::mkostemp(temp_.data(), O_CLOEXEC));
        refused = errno;
        if (!fd_) {
            temp_.clear();
        }
    }
    if (!fd_) {
        if (exists_ && (refused == EACCES || refused == EPERM || refused == EROFS)) {
            in_place_ = true;
            bytes_ = bytes;
            return {};
        }
        return {refused, std::generic_category()};
    }
    if (auto error = write_all(fd_.get(), bytes)) {
        return error;
    }
    if (exists_) {
        // Keeping the owner only works for a privileged writer; otherwise the file becomes ours.
        [[maybe_unused]] const int ignored = ::fchown(fd_.get(), old.st_uid, old.st_gid);
    }
    const mode_t mode = exists_ ? (old.st_mode & 07777) : (0666 & ~current_umask());
    if (::fchmod(fd_.get(), mode) != 0 || ::fsync(fd_.get()) != 0) {
        return last_error();
    }
    return {};
}

std::error_code PreparedReplace::commit() {
    if (error_) {
        return error_;
    }
    if (in_place_) {
        error_ = rewrite_in_place(target_, bytes_);
        discard();
        return error_;
    }
    std::error_code error;
    if (temp_.empty()) {
        error = name_unnamed(fd_.get(), target_, exists_, temp_);
    } else if (!fd_.close_checked()) {
        error = last_error();
    }
    if (!error && !temp_.empty()) {
        if (::rename(temp_.c_str(), target_.c_str()) == 0) {
            temp_.clear();
        } else {
            error = last_error();
        }
    }
    discard();
    if (error) {
        return error_ = error;
    }
    // Make the rename itself durable; the file is complete whether or not this succeeds.
    UniqueFd dir(::open(directory_of(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.get());
    }
    return {};
}

PreparedReplace::PreparedReplace(PreparedReplace&& other) noexcept {
    *this = std::move(other);
}

PreparedReplace& PreparedReplace::operator=(PreparedReplace&& other) noexcept {
    if (this != &other) {
        discard();
        error_ = other.error_;
        target_ = std::move(other.target_);
        exists_ = other.exists_;
        fd_ = std::move(other.fd_);
        temp_ = std::exchange(other.temp_, {});
        in_place_ = std::exchange(other.in_place_, false);
        bytes_ = std::exchange(other.bytes_, {});
    }
    return *this;
}

PreparedReplace::~PreparedReplace() {
    discard();
}

void PreparedReplace::discard() {
    fd_.reset();  // an unnamed file goes with its last descriptor
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
    in_place_ = false;
    bytes_.clear();
}

std::error_code replace_file(const std::string& path, std::string_view bytes) {
    return PreparedReplace::prepare(path, bytes).commit();
}

void remove_save_leftovers(const std::string& dir) {
    DIR* listing = ::opendir(dir.c_str());
    if (!listing) {
        return;
    }
    const uid_t self = ::geteuid();
    while (const dirent* entry = ::readdir(listing)) {
        struct stat st {};
        if (std::string_view(entry->d_name).starts_with(kTempPrefix) &&
            ::fstatat(::dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == self) {
            ::unlinkat(::dirfd(listing), entry->d_name, 0);
        }
    }
    ::closedir(listing);
}

std::error_code append_file(const std::string& path, std::string_view bytes) {
    // O_NONBLOCK: a FIFO under the file's name with no reader fails at once instead of hanging.
    UniqueFd fd = open_data_file(
        path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
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
