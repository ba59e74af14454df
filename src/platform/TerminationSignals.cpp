#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>

namespace platform {
namespace {

constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};

// What the handler may touch: a descriptor and a counter, both lock-free.
std::atomic<int> g_write_fd{-1};
std::atomic<int> g_received{0};
std::array<struct sigaction, kSignals.size()> g_former{};

extern "C" void on_signal(int signal) {
    if (g_received.fetch_add(1) > 0) {
        // Asked again before the first one has been dealt with: end now, as that signal would.
        ::signal(signal, SIG_DFL);
        ::raise(signal);
        return;
    }
    const int saved_errno = errno;
    const auto byte = static_cast<std::uint8_t>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_write_fd.load(), &byte, 1);
    errno = saved_errno;
}

}  // namespace

TerminationSignals::TerminationSignals(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // the signals keep their default: they end the program without saving
    }
    read_end_.reset(ends[0]);
    write_end_.reset(ends[1]);
    g_write_fd = write_end_.get();
    g_received = 0;
    notifier_ = new QSocketNotifier(read_end_.get(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::deliver);

    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &action, &g_former[i]);
    }
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) {
        return;
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &g_former[i], nullptr);
    }
    g_write_fd = -1;
}

void TerminationSignals::deliver() {
    std::uint8_t signal = 0;
    if (::read(read_end_.get(), &signal, 1) == 1 && handler_) {
        handler_(signal);
    }
}

}  // namespace platform

// The meta-object code of the classes declared in TerminationSignals.h, compiled with this file.
#include "moc_TerminationSignals.cpp"
