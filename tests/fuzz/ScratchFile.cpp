#include "fuzz/ScratchFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/UniqueFd.h"

namespace {

std::string scratch_parent() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
        return tmp;
    }
    struct stat st {};
    if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return "/tmp";
}

[[noreturn]] void fail(const char* what, const std::string& path) {
    std::perror((std::string(what) + " " + path).c_str());
    std::abort();
}

}  // namespace

ScratchFile::ScratchFile(const std::string& name) {
    std::string pattern = scratch_parent() + "/zvonmat-fuzz.XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        fail("mkdtemp", pattern);
    }
    dir_ = pattern;
    path_ = sibling(name);
}

ScratchFile::~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void ScratchFile::write(std::string_view bytes) const {
    platform::UniqueFd fd(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd) {
        fail("open", path_);
    }
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            fail("write", path_);
        }
        bytes.remove_prefix(std::size_t(n));
    }
}
