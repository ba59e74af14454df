// Measures the serial component on pseudo-terminals and prints the figures: delivery latency
// beyond the 250 ms silence rule, receive throughput against a plain read loop, CloseComm
// duration idle and under traffic, and the CPU an open idle component uses.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "UniqueFd.h"
#include "ZRTComm32.h"

using namespace serial;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

// A pseudo-terminal with a handle of its own on the slave, so that the terminal outlives the
// component's closes.
struct Pty {
    Pty() {
        master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        if (!master || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0) {
            std::perror("posix_openpt");
            std::exit(1);
        }
        path = ::ptsname(master.get());
        held_slave.reset(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        termios raw{};
        ::tcgetattr(held_slave.get(), &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(held_slave.get(), TCSANOW, &raw);
    }
    void WriteAll(const char* data, std::size_t size) const {
        while (size > 0) {
            const ssize_t n = ::write(master.get(), data, size);
            if (n > 0) {
                data += n;
                size -= static_cast<std::size_t>(n);
            } else {
                pollfd p{master.get(), POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }
    platform::UniqueFd master;
    platform::UniqueFd held_slave;
    std::string path;
};

void SetUp(TZRTComm32& comm, const Pty& pty) {
    comm.DeviceResolver = [path = pty.path](TCommPort) { return path; };
    comm.BaudRate = TBaudRate::___2400;
    comm.DataBits = TDataBits::_8;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Runs the event loop until `done` holds.
template <class Done>
void RunUntil(Done done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void LatencyBench() {
    Pty pty;
    TZRTComm32 comm;
    SetUp(comm, pty);
    Clock::time_point delivered;
    int deliveries = 0;
    comm.OnReceiveData = [&](const void*, std::uint16_t) {
        delivered = Clock::now();
        ++deliveries;
    };
    comm.OpenComm();
    std::vector<double> beyond;
    const std::string reply = "\r\nOK\r\n";
    for (int i = 0; i < 200; ++i) {
        const int before = deliveries;
        pty.WriteAll(reply.data(), reply.size());
        const auto last_byte = Clock::now();
        RunUntil([&] { return deliveries > before; });
        beyond.push_back(Ms(delivered - last_byte).count() - 250.0);
    }
    comm.CloseComm();
    std::printf(
        "delivery latency beyond 250 ms, 200 replies: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
        Percentile(beyond, 50), Percentile(beyond, 99),
        *std::max_element(beyond.begin(), beyond.end()));
}

// Feeds `total` bytes into the master as fast as the terminal takes them.
std::thread Feeder(const Pty& pty, std::size_t total) {
    return std::thread([&pty, total] {
        std::vector<char> block(64 * 1024, 'x');
        for (std::size_t sent = 0; sent < total;) {
            const std::size_t n = std::min(block.size(), total - sent);
            pty.WriteAll(block.data(), n);
            sent += n;
        }
    });
}

double ComponentThroughput(std::size_t total) {
    Pty pty;
    TZRTComm32 comm;
    SetUp(comm, pty);
    std::size_t received = 0;
    comm.OnReceiveData = [&](const void*, std::uint16_t length) { received += length; };
    comm.OpenComm();
    const auto start = Clock::now();
    std::thread feeder = Feeder(pty, total);
    RunUntil([&] { return received >= total; });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    feeder.join();
    comm.CloseComm();
    return static_cast<double>(total) / seconds / 1e6;
}

double PlainThroughput(std::size_t total) {
    Pty pty;
    platform::UniqueFd slave(::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    const auto start = Clock::now();
    std::thread feeder = Feeder(pty, total);
    std::size_t received = 0;
    char buffer[2048];
    while (received < total) {
        pollfd p{slave.get(), POLLIN, 0};
        ::poll(&p, 1, 1000);
        const ssize_t n = ::read(slave.get(), buffer, sizeof buffer);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    feeder.join();
    return static_cast<double>(total) / seconds / 1e6;
}

void ThroughputBench() {
    constexpr std::size_t kTotal = 64 * 2048 * 256;  // 32 MiB, whole chunks
    // Alternating rounds, medians: one round alone varies by a fifth on a shared machine.
    std::vector<double> plain, component;
    for (int round = 0; round < 3; ++round) {
        plain.push_back(PlainThroughput(kTotal));
        component.push_back(ComponentThroughput(kTotal));
    }
    const double plain_median = Percentile(plain, 50);
    const double component_median = Percentile(component, 50);
    std::printf(
        "receive throughput, 32 MiB, median of 3: component %.1f MB/s, plain read loop "
        "%.1f MB/s, ratio %.2f\n",
        component_median, plain_median, component_median / plain_median);
}

std::vector<double> CloseDurations(bool traffic, int cycles) {
    Pty pty;
    TZRTComm32 comm;
    SetUp(comm, pty);
    comm.OnReceiveData = [](const void*, std::uint16_t) {};
    std::atomic<bool> stop{false};
    std::thread far_end;
    if (traffic) {
        // The far end sends without pause and takes whatever the component sends.
        far_end = std::thread([&] {
            std::vector<char> block(4096, 'y');
            char sink[4096];
            while (!stop.load()) {
                pollfd p{pty.master.get(), POLLIN | POLLOUT, 0};
                ::poll(&p, 1, 10);
                while (::read(pty.master.get(), sink, sizeof sink) > 0) {
                }
                [[maybe_unused]] auto n = ::write(pty.master.get(), block.data(), block.size());
            }
        });
    }
    std::vector<double> durations;
    std::vector<char> outgoing(4096, 'z');
    for (int i = 0; i < cycles; ++i) {
        comm.OpenComm();
        if (traffic) {
            for (int k = 0; k < 16; ++k) {
                comm.WriteCommData(outgoing.data(), static_cast<std::uint16_t>(outgoing.size()));
            }
        }
        QTimer settle;
        settle.setSingleShot(true);
        settle.start(traffic ? 30 : 10);
        RunUntil([&] { return !settle.isActive(); });
        const auto start = Clock::now();
        comm.CloseComm();
        durations.push_back(Ms(Clock::now() - start).count());
    }
    stop = true;
    if (far_end.joinable()) {
        far_end.join();
    }
    QCoreApplication::processEvents();
    return durations;
}

void CloseBench() {
    const auto idle = CloseDurations(false, 200);
    const auto busy = CloseDurations(true, 100);
    std::printf("CloseComm idle, 200 closes: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(idle, 50), Percentile(idle, 99),
                *std::max_element(idle.begin(), idle.end()));
    std::printf("CloseComm under traffic, 100 closes: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(busy, 50), Percentile(busy, 99),
                *std::max_element(busy.begin(), busy.end()));
}

double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void IdleCpuBench() {
    Pty pty;
    TZRTComm32 comm;
    SetUp(comm, pty);
    comm.OpenComm();
    QTimer period;
    period.setSingleShot(true);
    const double before = CpuMs();
    period.start(10000);
    RunUntil([&] { return !period.isActive(); });
    const double used = CpuMs() - before;
    comm.CloseComm();
    std::printf(
        "CPU of an open idle component (whole process), 10 s: %.3f ms, %.4f ms per second\n", used,
        used / 10.0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // With no arguments every figure; else only those named: latency throughput close cpu.
    const QStringList asked = app.arguments().mid(1);
    auto wanted = [&asked](const char* name) {
        return asked.isEmpty() || asked.contains(QLatin1String(name));
    };
    if (wanted("latency")) {
        LatencyBench();
    }
    if (wanted("throughput")) {
        ThroughputBench();
    }
    if (wanted("close")) {
        CloseBench();
    }
    if (wanted("cpu")) {
        IdleCpuBench();
    }
    return 0;
}
