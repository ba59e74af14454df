#include "ModemSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr std::size_t kMaxCommand = 1024;        // bytes of a line read as a command
constexpr std::size_t kMaxLogPiece = 64 * 1024;  // a longer line is logged in pieces this long
constexpr std::size_t kMaxOutput = 64 * 1024;    // unsent output beyond this is dropped
constexpr std::size_t kMaxPendingReplies = 256;  // dial commands waiting for their answer
constexpr std::size_t kReadSize = 4096;

bool StartsWithAt(std::string_view line) {
    return line.size() >= 2 && (line[0] == 'A' || line[0] == 'a') &&
           (line[1] == 'T' || line[1] == 't');
}

// The log's form of received bytes: printable ASCII as it is, a backslash as "\\", CR and LF
// as "\r" and "\n", every other byte as "\xHH".
void AppendEscaped(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte > 0x7e) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
}

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

ModemSimulator::ModemSimulator(ModemOptions options)
    : options_(std::move(options)), start_(Clock::now()) {}

ModemSimulator::~ModemSimulator() {
    RemoveLink();
}

bool ModemSimulator::Setup(std::string& error) {
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stop_signals, nullptr) != 0) {
        error = SystemError("sigprocmask");
        return false;
    }
    signals_.reset(::signalfd(-1, &stop_signals, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!signals_) {
        error = SystemError("signalfd");
        return false;
    }

    if (!options_.log.empty()) {
        log_.reset(::open(options_.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!log_) {
            error = SystemError(options_.log.c_str());
            return false;
        }
    }

    master_.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0) {
        error = SystemError("posix_openpt");
        return false;
    }
    char name[128];
    if (::ptsname_r(master_.get(), name, sizeof name) != 0) {
        error = SystemError("ptsname");
        return false;
    }
    device_name_ = name;
    // Our own handle on the device: with it the terminal outlives the other side's close, so
    // the other side may close and reopen, and the master never sees a hang-up.
    slave_.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave_) {
        error = SystemError(name);
        return false;
    }
    termios raw{};
    if (::tcgetattr(slave_.get(), &raw) == 0) {
        ::cfmakeraw(&raw);
        raw.c_cflag |= CLOCAL | CREAD;
        ::tcsetattr(slave_.get(), TCSANOW, &raw);
    }
    ::fcntl(master_.get(), F_SETFL, ::fcntl(master_.get(), F_GETFL) | O_NONBLOCK);

    // A link left behind by an earlier run that was killed is replaced; anything else at PATH
    // is not ours to remove.
    struct stat existing {};
    if (::lstat(options_.link.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = options_.link + " exists and is not a symbolic link";
            return false;
        }
        ::unlink(options_.link.c_str());
    }
    if (::symlink(name, options_.link.c_str()) != 0) {
        error = SystemError(options_.link.c_str());
        return false;
    }
    link_made_ = true;
    return true;
}

int ModemSimulator::Run() {
    bool master_usable = true;
    for (;;) {
        pollfd fds[2] = {{signals_.get(), POLLIN, 0}, {master_.get(), POLLIN, 0}};
        if (!output_.empty()) {
            fds[1].events |= POLLOUT;
        }
        // Should the master ever report an error, it is left out of the wait for a moment
        // rather than spun on.
        const nfds_t count = master_usable ? 2 : 1;
        const int timeout = master_usable ? PollTimeoutMs() : 20;
        if (::poll(fds, count, timeout) < 0 && errno != EINTR) {
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        master_usable = true;
        if (count == 2 && (fds[1].revents & POLLIN)) {
            char buffer[kReadSize];
            const ssize_t got = ::read(master_.get(), buffer, sizeof buffer);
            if (got > 0) {
                HandleInput(std::string_view(buffer, static_cast<std::size_t>(got)));
            } else if (got < 0 && errno != EAGAIN && errno != EINTR) {
                master_usable = false;
            }
        } else if (count == 2 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            master_usable = false;
        }
        SendDueReplies();
        Flush();
    }
    // What came after the last CR is logged too, so that no received byte goes unrecorded.
    if (!line_.empty()) {
        Log(std::exchange(line_, {}), false);
    }
    RemoveLink();
    return 0;
}

void ModemSimulator::HandleInput(std::string_view bytes) {
    if (options_.echo && !options_.silent) {
        Send(bytes);
    }
    for (const char c : bytes) {
        if (c == '\r') {
            Log(std::exchange(line_, {}), true);
            HandleCommand(std::exchange(command_, {}));
            continue;
        }
        line_ += c;
        if (line_.size() == kMaxLogPiece) {
            Log(std::exchange(line_, {}), false);
        }
        // A modem reads past line feeds; the log keeps them.
        if (c != '\n' && command_.size() < kMaxCommand) {
            command_ += c;
        }
    }
}

void ModemSimulator::HandleCommand(std::string_view line) {
    if (!StartsWithAt(line) || options_.silent) {
        return;
    }
    if (line.size() >= 3 && (line[2] == 'D' || line[2] == 'd')) {
        if (pending_.size() < kMaxPendingReplies) {
            const std::string& reply =
                options_.replies[std::min(next_reply_, options_.replies.size() - 1)];
            ++next_reply_;
            pending_.push_back(
                PendingReply{Clock::now() + std::chrono::milliseconds(options_.dial_delay_ms),
                             "\r\n" + reply + "\r\n"});
        }
        return;
    }
    // The identification lines, as a modem answers ATI (its product code) and ATI3 (its name).
    if (line.size() >= 3 && (line[2] == 'I' || line[2] == 'i')) {
        const std::string_view which = line.substr(3);
        if (which.empty() || which == "0") {
            Send("\r\n2400\r\n");
        } else if (which == "3") {
            Send("\r\nzvonmat-modemsim 2400\r\n");
        }
    }
    Send("\r\nOK\r\n");
}

void ModemSimulator::Send(std::string_view text) {
    const std::size_t room = kMaxOutput - std::min(kMaxOutput, output_.size());
    output_.append(text.substr(0, room));
    Flush();
}

void ModemSimulator::Flush() {
    while (!output_.empty()) {
        const ssize_t written = ::write(master_.get(), output_.data(), output_.size());
        if (written <= 0) {
            return;
        }
        output_.erase(0, static_cast<std::size_t>(written));
    }
}

void ModemSimulator::Log(std::string_view bytes, bool ended_by_cr) {
    if (!log_) {
        return;
    }
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    std::string record = std::to_string(ms);
    record += ' ';
    AppendEscaped(record, bytes);
    if (!ended_by_cr) {
        record += "\\+";
    }
    record += '\n';
    // One write per line, so a reader of the log never sees half a line.
    [[maybe_unused]] auto written = ::write(log_.get(), record.data(), record.size());
}

int ModemSimulator::PollTimeoutMs() const {
    if (pending_.empty()) {
        return -1;
    }
    const auto left = pending_.front().due - Clock::now();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void ModemSimulator::SendDueReplies() {
    const auto now = Clock::now();
    while (!pending_.empty() && pending_.front().due <= now) {
        Send(pending_.front().text);
        pending_.pop_front();
    }
}

// Removes the link only while it still points at our device: a newer run may have taken PATH.
void ModemSimulator::RemoveLink() {
    if (!link_made_) {
        return;
    }
    link_made_ = false;
    char target[256];
    const ssize_t length = ::readlink(options_.link.c_str(), target, sizeof target - 1);
    if (length >= 0 && std::string_view(target, static_cast<std::size_t>(length)) == device_name_) {
        ::unlink(options_.link.c_str());
    }
}
