#include "support/Pty.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

Pty::Pty() {
    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) {
        ADD_FAILURE() << "posix_openpt: " << std::strerror(errno);
        return;
    }
    char name[128];
    if (::ptsname_r(master_.get(), name, sizeof name) != 0) {
        ADD_FAILURE() << "ptsname: " << std::strerror(errno);
        return;
    }
    slave_path_ = name;
    slave_.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    EXPECT_TRUE(slave_) << std::strerror(errno);
    // Without flow control, as a modem port is usually set up: the component keeps what it finds,
    // and XON/XOFF would take those two bytes out of the stream.
    termios line{};
    if (slave_ && ::tcgetattr(slave_.get(), &line) == 0) {
        line.c_iflag &= ~(IXON | IXOFF | IXANY);
        ::tcsetattr(slave_.get(), TCSANOW, &line);
    }
}

void WriteAll(int fd, std::string_view bytes, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            ADD_FAILURE() << "write: " << std::strerror(errno);
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "the terminal did not take " << bytes.size() << " more bytes";
            return;
        }
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
}

std::string ReadUpTo(int fd, std::size_t count, std::chrono::milliseconds limit) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (got.size() < count) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - got.size()));
        if (n > 0) {
            got.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            break;
        }
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    }
    return got;
}

std::string Pty::ReadFor(std::chrono::milliseconds window) {
    return Read(static_cast<std::size_t>(-1), window);
}

std::string Pty::Drain() {
    std::string got;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(master_.get(), buffer, sizeof buffer)) > 0) {
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::size_t CountProcEntries(const char* directory) {
    const std::string path = std::string("/proc/self/") + directory;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return 0;
    }
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') {
            ++count;
        }
    }
    ::closedir(dir);
    // The directory stream's own descriptor is gone again; it was counted while open.
    return std::string_view(directory) == "fd" ? count - 1 : count;
}
