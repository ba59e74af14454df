#include "Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "UniqueFd.h"

namespace platform {
namespace {

constexpr std::string::size_type npos = std::string::npos;

std::string directory_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a write to `path` has to replace: symbolic links are followed, so that the link
// stays a link and its target gets the new contents. Empty on a link loop.
std::string resolve_links(const std::string& path) {
    std::string target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return target;
        }
        std::array<char, PATH_MAX> link;
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0 || std::size_t(n) >= link.size()) {
            return {};
        }
        const std::string next(link.data(), std::size_t(n));
        if (next.empty()) {
            return {};
        }
        target = next.front() == '/' ? next : directory_of(target) + "/" + next;
    }
    return {};
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

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(std::size_t(n));
    }
    return true;
}

}  // namespace

ReadStatus read_whole_file(const std::string& path, std::string& out) {
    out.clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        return errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return ReadStatus::Unreadable;
    }
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.data(), buffer.size());
        if (n == 0) {
            return ReadStatus::Ok;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            out.clear();
            return ReadStatus::Unreadable;
        }
        out.append(buffer.data(), std::size_t(n));
    }
}

bool replace_file(const std::string& path, std::string_view bytes) {
    const std::string target = resolve_links(path);
    if (target.empty()) {
        return false;
    }
    struct stat old {};
    bool exists = false;
    if (::stat(target.c_str(), &old) == 0) {
        exists = true;
        // A read-only file is never replaced, although its directory would allow the rename;
        // nor is anything that is not a plain file.
        if (!S_ISREG(old.st_mode) || ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
            return false;
        }
    } else if (errno != ENOENT) {
        return false;
    }

    std::string temp = directory_of(target) + "/.zvonmat-save.XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd) {
        return false;
    }
    bool ok = write_all(fd.get(), bytes);
    if (ok && exists) {
        // Keeping the owner only works for a privileged writer; otherwise the file becomes ours.
        [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
    }
    const mode_t mode = exists ? (old.st_mode & 07777) : (0666 & ~current_umask());
    ok = ok && ::fchmod(fd.get(), mode) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.close_checked() && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable; the file is complete whether or not this succeeds.
    UniqueFd dir(::open(directory_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.get());
    }
    return true;
}

}  // namespace platform
