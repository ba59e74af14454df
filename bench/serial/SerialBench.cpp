// Measures the serial component on pseudo-terminals and prints the figures: delivery latency
// beyond the 250 ms silence rule, receive throughput and CPU against a plain read loop, against
// libserialport's blocking read and against the bare hand-off from a reader thread to a waiting
// one, write throughput of large blocks against a plain write loop, CloseComm duration idle, under
// traffic and with a far end that reads nothing, against the floor of waking and joining one idle
// thread, and the CPU an open idle component uses.
//
// Besides the readable lines, every figure is printed once more as "@name value" for bench/run.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/UniqueFd.h"
#include "serial/ZRTComm32.h"

#ifdef ZVONMAT_BENCH_LIBSERIALPORT
#include <dlfcn.h>
#include <libserialport.h>
#include <sys/ioctl.h>

#include <cstdarg>

// A pseudo-terminal has no modem lines, and libserialport's open gives up when it cannot read
// them. This program's own ioctl() stands in front of the C library's and reports the lines of
// such a device as all low; every other request, and every device that has the lines, is passed
// through unchanged. The component never asks for modem lines.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept {
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto real = reinterpret_cast<Ioctl>(::dlsym(RTLD_NEXT, "ioctl"));
    const int result = real(fd, request, argument);
    if (result < 0 && errno == ENOTTY) {
        if (request == TIOCMGET) {
            *static_cast<int*>(argument) = 0;
            return 0;
        }
        if (request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC) {
            return 0;
        }
    }
    return result;
}
#endif

using namespace serial;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

void Record(const char* name, double value) {
    std::printf("@%s %.6g\n", name, value);
}

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
    Record("latency.p50_ms", Percentile(beyond, 50));
    Record("latency.p99_ms", Percentile(beyond, 99));
}

std::thread FeedFd(int fd, std::size_t total);

// How often the main thread went to wait for events in the last ComponentThroughput (once per
// wake-up by the reader, give or take a few), and the CPU it used meanwhile.
std::size_t last_main_waits = 0;
double last_main_cpu_ms = 0;

double ThreadCpuMs();

// The component open on a pseudo-terminal of its own, counting the bytes it hands on.
struct CountingComponent {
    CountingComponent() {
        SetUp(comm, pty);
        comm.OnReceiveData = [this](const void*, std::uint16_t length) { received += length; };
        comm.OpenComm();
    }
    ~CountingComponent() { comm.CloseComm(); }

    Pty pty;
    TZRTComm32 comm;
    std::size_t received = 0;
};

double ComponentThroughput(std::size_t total) {
    CountingComponent component;
    last_main_waits = 0;
    const QMetaObject::Connection counting =
        QObject::connect(QAbstractEventDispatcher::instance(),
                         &QAbstractEventDispatcher::aboutToBlock, [] { ++last_main_waits; });
    const double main_cpu_before = ThreadCpuMs();
    const auto start = Clock::now();
    std::thread feeder = FeedFd(component.pty.master.get(), total);
    RunUntil([&] { return component.received >= total; });
    last_main_cpu_ms = ThreadCpuMs() - main_cpu_before;
    QObject::disconnect(counting);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    feeder.join();
    return static_cast<double>(total) / seconds / 1e6;
}

double PlainThroughput(std::size_t total) {
    Pty pty;
    platform::UniqueFd slave(::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    const auto start = Clock::now();
    std::thread feeder = FeedFd(pty.master.get(), total);
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

// The bare hand-off that the component's design cannot do without, as an anchor for its CPU: a
// reader thread at the reader's priority reads the terminal as the component's does (64 KiB at a
// time, at once again after bytes came, poll() after an empty read) and wakes a thread waiting in
// poll() through an eventfd when no wake is pending; that thread clears the wake and takes the
// count. No Qt, no queue, no copies.
double HandoffFloorThroughput(std::size_t total) {
    const Pty pty;
    const int slave = pty.held_slave.get();
    const platform::UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    std::atomic<std::size_t> read_so_far{0};
    std::atomic<bool> pending{false};
    const auto start = Clock::now();
    std::thread feeder = FeedFd(pty.master.get(), total);
    std::thread reader([&] {
        [[maybe_unused]] int nice = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), -2);
        std::vector<char> buffer(64 * 1024);
        for (std::size_t got = 0; got < total;) {
            const ssize_t n = ::read(slave, buffer.data(), buffer.size());
            if (n <= 0) {
                pollfd p{slave, POLLIN, 0};
                ::poll(&p, 1, 1000);
                continue;
            }
            got += static_cast<std::size_t>(n);
            read_so_far.store(got, std::memory_order_release);
            if (!pending.exchange(true)) {
                const std::uint64_t one = 1;
                [[maybe_unused]] auto written = ::write(wake.get(), &one, sizeof one);
            }
        }
    });
    for (std::size_t received = 0; received < total;) {
        pollfd p{wake.get(), POLLIN, 0};
        ::poll(&p, 1, 1000);
        std::uint64_t value = 0;
        [[maybe_unused]] auto cleared = ::read(wake.get(), &value, sizeof value);
        pending.store(false);
        received = read_so_far.load(std::memory_order_acquire);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    reader.join();
    feeder.join();
    return static_cast<double>(total) / seconds / 1e6;
}

double ThreadCpuMs() {
    timespec used{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
}

// The CPU the last feeder thread used, so that the figures can leave the benchmark's own
// writing out.
std::atomic<double> last_feeder_cpu_ms{0};

// Feeds `total` bytes into `fd`, a terminal opened without blocking, as fast as it takes them.
std::thread FeedFd(int fd, std::size_t total) {
    return std::thread([fd, total] {
        std::vector<char> block(64 * 1024, 'x');
        for (std::size_t sent = 0; sent < total;) {
            const ssize_t n = ::write(fd, block.data(), std::min(block.size(), total - sent));
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
            } else {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
        last_feeder_cpu_ms = ThreadCpuMs();
    });
}

// Opens the slave of the pseudo-terminal whose master is `master`, raw, without blocking.
platform::UniqueFd OpenRawSlave(int master) {
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        return {};
    }
    platform::UniqueFd slave(::open(::ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios raw{};
    ::tcgetattr(slave.get(), &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave.get(), TCSANOW, &raw);
    return slave;
}

// The plain read loop again, on the master side of a pseudo-terminal fed through its slave: the
// side libserialport reads (below), to show whether the direction matters.
double PlainMasterThroughput(std::size_t total) {
    platform::UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    platform::UniqueFd slave = OpenRawSlave(master.get());
    const auto start = Clock::now();
    std::thread feeder = FeedFd(slave.get(), total);
    std::size_t received = 0;
    char buffer[2048];
    while (received < total) {
        pollfd p{master.get(), POLLIN, 0};
        ::poll(&p, 1, 1000);
        const ssize_t n = ::read(master.get(), buffer, sizeof buffer);
        if (n > 0) {
            received += static_cast<std::size_t>(n);
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    feeder.join();
    return static_cast<double>(total) / seconds / 1e6;
}

#ifdef ZVONMAT_BENCH_LIBSERIALPORT
// The peer: libserialport's port on a pseudo-terminal. libserialport 0.1.1 looks every port up in
// /sys/class/tty, which knows /dev/ptmx but no /dev/pts/N, so it opens a pseudo-terminal master
// and the feeder writes into the slave; and it fails to open a device without modem lines unless
// TIOCMGET answers (see ioctl above). Not Ready() when it cannot open the terminal all the same.
class LibserialportPort {
  public:
    LibserialportPort() {
        if (sp_get_port_by_name("/dev/ptmx", &port_) != SP_OK ||
            sp_open(port_, SP_MODE_READ_WRITE) != SP_OK) {
            std::fprintf(stderr, "libserialport: %s\n", sp_last_error_message());
            return;
        }
        open_ = true;
        int master = -1;
        sp_get_port_handle(port_, &master);
        slave_ = OpenRawSlave(master);
    }
    LibserialportPort(const LibserialportPort&) = delete;
    LibserialportPort& operator=(const LibserialportPort&) = delete;
    ~LibserialportPort() {
        if (open_) {
            sp_close(port_);
        }
        if (port_ != nullptr) {
            sp_free_port(port_);
        }
    }

    bool Ready() const { return static_cast<bool>(slave_); }
    sp_port* Port() const { return port_; }
    // Where the feeder writes.
    int Slave() const { return slave_.get(); }

    // Blocking reads of whole 2048-byte chunks, as the component hands them on, until `total`
    // bytes have come; false when a read fails.
    bool ReadChunks(std::size_t total) const {
        char buffer[2048];
        for (std::size_t received = 0; received < total;) {
            const int n = sp_blocking_read(port_, buffer, sizeof buffer, 0);
            if (n < 0) {
                return false;
            }
            received += static_cast<std::size_t>(n);
        }
        return true;
    }

  private:
    sp_port* port_ = nullptr;
    bool open_ = false;
    platform::UniqueFd slave_;
};

// libserialport's blocking read of a flood; nothing (0) when it cannot open the terminal.
double LibserialportThroughput(std::size_t total) {
    const LibserialportPort peer;
    if (!peer.Ready()) {
        return 0;
    }
    sp_set_baudrate(peer.Port(), 2400);
    sp_set_bits(peer.Port(), 8);
    const auto start = Clock::now();
    std::thread feeder = FeedFd(peer.Slave(), total);
    if (!peer.ReadChunks(total)) {
        std::fprintf(stderr, "libserialport: read failed\n");
        std::exit(1);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    feeder.join();
    return static_cast<double>(total) / seconds / 1e6;
}
#else
double LibserialportThroughput(std::size_t) {
    return 0;
}
#endif

double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long InvoluntarySwitches() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nivcsw;
}

// One receive path's figures for moving `total` bytes.
struct RxFigures {
    double mbs = 0;
    double cpu_us_per_chunk = 0;     // the whole process but the feeder thread
    double feeder_us_per_chunk = 0;  // the feeder thread
    double preempted_per_chunk = 0;  // times one of its threads was made to give way
};

// CPU of the receiving process (reader and main thread alike, the feeder left out) per
// 2048-byte chunk, in microseconds, while `run` moves `total` bytes.
template <class Run>
RxFigures MeasureRx(Run run, std::size_t total) {
    const double cpu_before = CpuMs();
    const long switches_before = InvoluntarySwitches();
    RxFigures figures;
    figures.mbs = run(total);
    const auto chunks = static_cast<double>(total / 2048);
    figures.feeder_us_per_chunk = last_feeder_cpu_ms * 1e3 / chunks;
    figures.cpu_us_per_chunk = (CpuMs() - cpu_before) * 1e3 / chunks - figures.feeder_us_per_chunk;
    figures.preempted_per_chunk =
        static_cast<double>(InvoluntarySwitches() - switches_before) / chunks;
    return figures;
}

void Spread(const char* name, const std::vector<double>& ratios) {
    if (ratios.empty()) {
        return;
    }
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    Record((std::string(name) + "_min").c_str(), *low);
    Record((std::string(name) + "_max").c_str(), *high);
}

void ThroughputBench(int rounds) {
    constexpr std::size_t kTotal = 64 * 2048 * 1024;  // 128 MiB, whole chunks
    // Alternating rounds, medians: one round alone varies by a fifth on a shared machine. The
    // ratios are taken within each round, so that the machine's load at the time cancels out.
    std::vector<double> plain, component, peer, plain_master, to_plain, to_peer, cpu_to_peer;
    std::vector<double> plain_cpu, component_cpu, peer_cpu, whole_to_peer;
    std::vector<double> component_preempted, peer_preempted;
    std::vector<double> floor_mbs, floor_cpu, to_floor, floor_to_peer, floor_mbs_to_peer;
    for (int round = 0; round < rounds; ++round) {
        const RxFigures plain_round = MeasureRx(PlainThroughput, kTotal);
        const RxFigures ours = MeasureRx(ComponentThroughput, kTotal);
        const double main_us_per_chunk = last_main_cpu_ms * 1e3 / (kTotal / 2048);
        const RxFigures theirs = MeasureRx(LibserialportThroughput, kTotal);
        const RxFigures floor = MeasureRx(HandoffFloorThroughput, kTotal);
        floor_mbs.push_back(floor.mbs);
        floor_cpu.push_back(floor.cpu_us_per_chunk);
        to_floor.push_back(ours.cpu_us_per_chunk / floor.cpu_us_per_chunk);
        plain.push_back(plain_round.mbs);
        plain_cpu.push_back(plain_round.cpu_us_per_chunk);
        component.push_back(ours.mbs);
        component_cpu.push_back(ours.cpu_us_per_chunk);
        component_preempted.push_back(ours.preempted_per_chunk);
        peer.push_back(theirs.mbs);
        peer_cpu.push_back(theirs.cpu_us_per_chunk);
        peer_preempted.push_back(theirs.preempted_per_chunk);
        plain_master.push_back(PlainMasterThroughput(kTotal));
        to_plain.push_back(component.back() / plain.back());
        if (peer.back() > 0) {
            to_peer.push_back(component.back() / peer.back());
            cpu_to_peer.push_back(component_cpu.back() / peer_cpu.back());
            whole_to_peer.push_back((ours.cpu_us_per_chunk + ours.feeder_us_per_chunk) /
                                    (theirs.cpu_us_per_chunk + theirs.feeder_us_per_chunk));
            floor_to_peer.push_back(floor.cpu_us_per_chunk / theirs.cpu_us_per_chunk);
            floor_mbs_to_peer.push_back(floor.mbs / theirs.mbs);
        }
        std::printf(
            "receive throughput, round %d: component %.1f MB/s, plain read loop %.1f MB/s, "
            "libserialport %.1f MB/s, plain loop on its side %.1f MB/s; CPU per chunk: "
            "component %.1f us, libserialport %.1f us (their feeders %.1f us, %.1f us); "
            "preemptions per 1000 chunks: component "
            "%.1f, libserialport %.1f; chunks per wake of the main thread %.1f; the component's "
            "reader %.1f us and main thread %.1f us; the bare hand-off %.1f MB/s, %.1f us\n",
            round + 1, component.back(), plain.back(), peer.back(), plain_master.back(),
            ours.cpu_us_per_chunk, theirs.cpu_us_per_chunk, ours.feeder_us_per_chunk,
            theirs.feeder_us_per_chunk, ours.preempted_per_chunk * 1e3,
            theirs.preempted_per_chunk * 1e3,
            static_cast<double>(kTotal / 2048) /
                static_cast<double>(std::max<std::size_t>(last_main_waits, 1)),
            ours.cpu_us_per_chunk - main_us_per_chunk, main_us_per_chunk, floor.mbs,
            floor.cpu_us_per_chunk);
    }
    std::printf(
        "receive throughput, 128 MiB, median of %d: component %.1f MB/s, plain read loop "
        "%.1f MB/s, libserialport %.1f MB/s (plain loop on its side %.1f MB/s); ratio to plain "
        "%.2f, to libserialport %.2f\n",
        rounds, Percentile(component, 50), Percentile(plain, 50), Percentile(peer, 50),
        Percentile(plain_master, 50), Percentile(to_plain, 50),
        to_peer.empty() ? 0.0 : Percentile(to_peer, 50));
    std::printf(
        "CPU per 2048-byte chunk, the process less its feeder: component %.1f us, plain read loop "
        "%.1f us, "
        "libserialport %.1f us; median of the rounds' ratios, component to libserialport, %.2f\n",
        Percentile(component_cpu, 50), Percentile(plain_cpu, 50), Percentile(peer_cpu, 50),
        cpu_to_peer.empty() ? 0.0 : Percentile(cpu_to_peer, 50));
    Record("rx.component_mbs", Percentile(component, 50));
    Record("rx.plain_mbs", Percentile(plain, 50));
    Record("rx.ratio_plain", Percentile(to_plain, 50));
    Record("rx.plain_master_mbs", Percentile(plain_master, 50));
    Record("rx.component_cpu_us_per_chunk", Percentile(component_cpu, 50));
    Record("rx.plain_cpu_us_per_chunk", Percentile(plain_cpu, 50));
    Record("rx.floor_mbs", Percentile(floor_mbs, 50));
    Record("rx.floor_cpu_us_per_chunk", Percentile(floor_cpu, 50));
    Record("rx.cpu_ratio_floor", Percentile(to_floor, 50));
    Spread("rx.cpu_ratio_floor", to_floor);
    if (!to_peer.empty()) {
        Record("rx.libserialport_mbs", Percentile(peer, 50));
        Record("rx.ratio_libserialport", Percentile(to_peer, 50));
        Spread("rx.ratio_libserialport", to_peer);
        Record("rx.libserialport_cpu_us_per_chunk", Percentile(peer_cpu, 50));
        Record("rx.cpu_ratio_libserialport", Percentile(cpu_to_peer, 50));
        Spread("rx.cpu_ratio_libserialport", cpu_to_peer);
        Record("rx.cpu_whole_ratio_libserialport", Percentile(whole_to_peer, 50));
        Spread("rx.cpu_whole_ratio_libserialport", whole_to_peer);
        Record("rx.floor_cpu_ratio_libserialport", Percentile(floor_to_peer, 50));
        Spread("rx.floor_cpu_ratio_libserialport", floor_to_peer);
        Record("rx.floor_ratio_libserialport", Percentile(floor_mbs_to_peer, 50));
        Spread("rx.floor_ratio_libserialport", floor_mbs_to_peer);
    }
}

// A steady stream, as a modem sends it: one byte every `interval`, on an absolute schedule (a
// byte that falls late goes out as soon as the feeder runs again, with those due beside it), into
// each of `fds` alike. Notes when the last byte of every 2048-byte chunk went out.
class SteadyFeed {
  public:
    SteadyFeed(std::vector<int> fds, std::chrono::nanoseconds interval, std::size_t total)
        : chunk_end_(total / 2048) {
        thread_ = std::thread([this, fds = std::move(fds), interval, total] {
            const auto start = Clock::now();
            for (std::size_t i = 0; i < total && !stop_.load(std::memory_order_relaxed); ++i) {
                std::this_thread::sleep_until(start + i * interval);
                for (const int fd : fds) {
                    while (::write(fd, "s", 1) != 1) {
                        pollfd p{fd, POLLOUT, 0};
                        ::poll(&p, 1, 100);
                    }
                }
                if ((i + 1) % 2048 == 0) {
                    chunk_end_[i / 2048] = Clock::now();
                }
            }
            cpu_ms_ = ThreadCpuMs();
        });
    }
    ~SteadyFeed() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    // Valid once stopped.
    const std::vector<Clock::time_point>& ChunkEnds() const { return chunk_end_; }
    double CpuMs() const { return cpu_ms_; }

  private:
    std::vector<Clock::time_point> chunk_end_;
    std::atomic<bool> stop_{false};
    double cpu_ms_ = 0;
    std::thread thread_;
};

// Notes when a reader's running total crosses each chunk's end.
struct ChunkClock {
    void Add(std::size_t length) {
        received += length;
        const auto now = Clock::now();
        while (seen.size() < received / 2048) {
            seen.push_back(now);
        }
    }
    std::size_t received = 0;
    std::vector<Clock::time_point> seen;
};

std::vector<double> LateBy(const std::vector<Clock::time_point>& seen,
                           const std::vector<Clock::time_point>& written) {
    std::vector<double> late;
    for (std::size_t k = 0; k < std::min(seen.size(), written.size()); ++k) {
        late.push_back(Ms(seen[k] - written[k]).count());
    }
    return late;
}

// From the last byte of each chunk written to its OnReceiveData, in a steady stream of one byte
// per `interval`, and beside it the plain read loop's time to see the same byte on a second
// pseudo-terminal fed by the same writes.
void ChunkDelivery(const char* name, std::chrono::nanoseconds interval, std::size_t chunks) {
    const std::size_t total = chunks * 2048;
    Pty component_pty;
    Pty plain_pty;
    const int plain_slave = plain_pty.held_slave.get();
    TZRTComm32 comm;
    SetUp(comm, component_pty);
    ChunkClock component;
    comm.OnReceiveData = [&](const void*, std::uint16_t length) { component.Add(length); };
    comm.OpenComm();
    ChunkClock plain;
    std::jthread plain_reader([&] {
        char buffer[2048];
        while (plain.received < total) {
            pollfd p{plain_slave, POLLIN, 0};
            ::poll(&p, 1, 1000);
            const ssize_t n = ::read(plain_slave, buffer, sizeof buffer);
            if (n > 0) {
                plain.Add(static_cast<std::size_t>(n));
            }
        }
    });
    SteadyFeed feed({component_pty.master.get(), plain_pty.master.get()}, interval, total);
    RunUntil([&] { return component.received >= total; });
    feed.Stop();
    plain_reader.join();
    comm.CloseComm();
    const auto ours = LateBy(component.seen, feed.ChunkEnds());
    const auto anchor = LateBy(plain.seen, feed.ChunkEnds());
    std::printf(
        "full chunk delivery, steady stream %s, %zu chunks: p50 %.3f ms, p99 %.3f ms, max %.3f "
        "ms; plain read loop p99 %.3f ms\n",
        name, chunks, Percentile(ours, 50), Percentile(ours, 99),
        *std::max_element(ours.begin(), ours.end()), Percentile(anchor, 99));
    Record((std::string("delivery.") + name + "_p99_ms").c_str(), Percentile(ours, 99));
    Record((std::string("delivery.") + name + "_plain_p99_ms").c_str(), Percentile(anchor, 99));
}

std::chrono::nanoseconds ByteTime(int baud) {
    // Ten bits a byte: start, eight data bits, stop.
    return std::chrono::nanoseconds(10'000'000'000LL / baud);
}

void DeliveryBench() {
    // At 2400 baud a chunk takes 8.5 s to fill: three of them.
    ChunkDelivery("2400", ByteTime(2400), 3);
    ChunkDelivery("57600", ByteTime(57600), 40);
    ChunkDelivery("115200", ByteTime(115200), 60);
    ChunkDelivery("200us", std::chrono::microseconds(200), 40);
}

// CPU per second of the receiving process, less the feeder thread's own, while a steady
// 115,200-baud stream runs for `seconds`: the component against libserialport's blocking read
// of whole chunks.
constexpr int kSteadySeconds = 4;
constexpr std::size_t kSteadyTotal = kSteadySeconds * 11520;

double ComponentSteadyCpu() {
    CountingComponent component;
    const double before = CpuMs();
    SteadyFeed feed({component.pty.master.get()}, ByteTime(115200), kSteadyTotal);
    const auto start = Clock::now();
    RunUntil([&] { return component.received >= kSteadyTotal / 2048 * 2048; });
    feed.Stop();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return (CpuMs() - before - feed.CpuMs()) / seconds;
}

#ifdef ZVONMAT_BENCH_LIBSERIALPORT
double LibserialportSteadyCpu() {
    const LibserialportPort peer;
    if (!peer.Ready()) {
        return 0;
    }
    const double before = CpuMs();
    SteadyFeed feed({peer.Slave()}, ByteTime(115200), kSteadyTotal);
    const auto start = Clock::now();
    if (!peer.ReadChunks(kSteadyTotal / 2048 * 2048)) {
        return 0;
    }
    feed.Stop();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return (CpuMs() - before - feed.CpuMs()) / seconds;
}
#else
double LibserialportSteadyCpu() {
    return 0;
}
#endif

void SteadyCpuBench(int rounds) {
    std::vector<double> ours, peer, ratio;
    for (int round = 0; round < rounds; ++round) {
        ours.push_back(ComponentSteadyCpu());
        peer.push_back(LibserialportSteadyCpu());
        if (peer.back() > 0) {
            ratio.push_back(ours.back() / peer.back());
        }
        std::printf(
            "receive CPU of a steady 115200-baud stream, round %d: component %.2f ms/s, "
            "libserialport %.2f ms/s\n",
            round + 1, ours.back(), peer.back());
    }
    Record("steady.component_ms_per_s", Percentile(ours, 50));
    if (!ratio.empty()) {
        Record("steady.libserialport_ms_per_s", Percentile(peer, 50));
        Record("steady.ratio", Percentile(ratio, 50));
        Spread("steady.ratio", ratio);
    }
}

constexpr std::size_t kWriteBlock = 32 * 1024;

// Takes everything written to the slave from the master until `total` bytes have come.
std::thread Drainer(const Pty& pty, std::size_t total) {
    return std::thread([&pty, total] {
        std::vector<char> sink(64 * 1024);
        for (std::size_t received = 0; received < total;) {
            pollfd p{pty.master.get(), POLLIN, 0};
            ::poll(&p, 1, 1000);
            const ssize_t n = ::read(pty.master.get(), sink.data(), sink.size());
            if (n > 0) {
                received += static_cast<std::size_t>(n);
            }
        }
    });
}

double ComponentWriteThroughput(std::size_t total) {
    Pty pty;
    TZRTComm32 comm;
    SetUp(comm, pty);
    comm.OpenComm();
    const std::vector<char> block(kWriteBlock, 'w');
    const auto start = Clock::now();
    std::thread drainer = Drainer(pty, total);
    for (std::size_t queued = 0; queued < total; queued += block.size()) {
        if (!comm.WriteCommData(block.data(), static_cast<std::uint16_t>(block.size()))) {
            std::fprintf(stderr, "WriteCommData refused a block\n");
            std::exit(1);
        }
    }
    drainer.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    comm.CloseComm();
    return static_cast<double>(total) / seconds / 1e6;
}

double PlainWriteThroughput(std::size_t total) {
    Pty pty;
    platform::UniqueFd slave(::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    const std::vector<char> block(kWriteBlock, 'w');
    const auto start = Clock::now();
    std::thread drainer = Drainer(pty, total);
    for (std::size_t sent = 0; sent < total;) {
        const std::size_t offset = sent % block.size();
        const ssize_t n = ::write(slave.get(), block.data() + offset, block.size() - offset);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else {
            pollfd p{slave.get(), POLLOUT, 0};
            ::poll(&p, 1, 100);
        }
    }
    drainer.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return static_cast<double>(total) / seconds / 1e6;
}

void WriteBench(int rounds) {
    constexpr std::size_t kTotal = 4096 * kWriteBlock;  // 128 MiB
    std::vector<double> plain, component, ratio;
    for (int round = 0; round < rounds; ++round) {
        plain.push_back(PlainWriteThroughput(kTotal));
        component.push_back(ComponentWriteThroughput(kTotal));
        ratio.push_back(component.back() / plain.back());
    }
    std::printf(
        "write throughput, 32 KiB blocks, 128 MiB, median of %d: component %.1f MB/s, plain "
        "write loop %.1f MB/s, ratio %.2f\n",
        rounds, Percentile(component, 50), Percentile(plain, 50), Percentile(ratio, 50));
    Record("tx.component_mbs", Percentile(component, 50));
    Record("tx.plain_mbs", Percentile(plain, 50));
    Record("tx.ratio_plain", Percentile(ratio, 50));
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

// The floor under CloseComm: waking one idle thread that waits in poll() on an eventfd, as the
// component's threads do, and joining it.
std::vector<double> JoinFloorDurations(int cycles) {
    std::vector<double> durations;
    for (int i = 0; i < cycles; ++i) {
        platform::UniqueFd event(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        std::jthread waiter([fd = event.get()] {
            pollfd p{fd, POLLIN, 0};
            while (::poll(&p, 1, -1) < 0 && errno == EINTR) {
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const auto start = Clock::now();
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(event.get(), &one, sizeof one);
        waiter.join();
        durations.push_back(Ms(Clock::now() - start).count());
    }
    return durations;
}

// The same floor while a pseudo-terminal carries the traffic of the busy closes: its far end
// sends without pause and a thread reads everything, so that both processors are as busy as
// they are around a busy close.
std::vector<double> JoinFloorUnderTraffic(int cycles) {
    Pty pty;
    platform::UniqueFd slave(::open(pty.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    std::atomic<bool> stop{false};
    std::jthread far_end([&] {
        std::vector<char> block(4096, 'y');
        while (!stop.load()) {
            pollfd p{pty.master.get(), POLLOUT, 0};
            ::poll(&p, 1, 10);
            [[maybe_unused]] auto n = ::write(pty.master.get(), block.data(), block.size());
        }
    });
    std::jthread reader([&] {
        char sink[2048];
        while (!stop.load()) {
            pollfd p{slave.get(), POLLIN, 0};
            ::poll(&p, 1, 10);
            while (::read(slave.get(), sink, sizeof sink) > 0) {
            }
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    auto durations = JoinFloorDurations(cycles);
    stop = true;
    return durations;
}

// CloseComm while the far end takes nothing: the component has written until the terminal's
// output buffer is full and its writer waits for room that never comes.
std::vector<double> StalledCloseDurations(int cycles) {
    Pty pty;
    TZRTComm32 comm;
    SetUp(comm, pty);
    comm.OnReceiveData = [](const void*, std::uint16_t) {};
    std::vector<double> durations;
    const std::vector<char> outgoing(16 * 1024, 's');
    for (int i = 0; i < cycles; ++i) {
        comm.OpenComm();
        // 256 KiB: several times what a pseudo-terminal holds.
        for (int k = 0; k < 16; ++k) {
            comm.WriteCommData(outgoing.data(), static_cast<std::uint16_t>(outgoing.size()));
        }
        // Full once what the far end could read stops growing for 15 ms: the writer fills the
        // terminal within microseconds and then waits for room. (A poll() for room on another
        // handle says little here: a pseudo-terminal may report a few bytes of room that no
        // write gets, and that never wakes a waiting writer until the far end reads.)
        int held = -1;
        for (int steady = 0; steady < 3;) {
            QTimer settle;
            settle.setSingleShot(true);
            settle.start(5);
            RunUntil([&] { return !settle.isActive(); });
            int now = 0;
            ::ioctl(pty.master.get(), FIONREAD, &now);
            steady = now == held && now > 0 ? steady + 1 : 0;
            held = now;
        }
        const auto start = Clock::now();
        comm.CloseComm();
        durations.push_back(Ms(Clock::now() - start).count());
        // The next cycle starts with an empty terminal.
        ::tcflush(pty.master.get(), TCIFLUSH);
    }
    QCoreApplication::processEvents();
    return durations;
}

void StalledCloseBench() {
    const auto stalled = StalledCloseDurations(100);
    const auto floor = JoinFloorDurations(100);
    std::printf(
        "CloseComm with a full output buffer that the far end never reads, 100 closes: p50 %.3f "
        "ms, p99 %.3f ms, max %.3f ms; thread join floor, 100 joins: p50 %.3f ms, p99 %.3f ms\n",
        Percentile(stalled, 50), Percentile(stalled, 99),
        *std::max_element(stalled.begin(), stalled.end()), Percentile(floor, 50),
        Percentile(floor, 99));
    Record("close.stalled_p50_ms", Percentile(stalled, 50));
    Record("close.stalled_p99_ms", Percentile(stalled, 99));
    Record("close.floor_stalled_p99_ms", Percentile(floor, 99));
}

void CloseBench() {
    const auto idle = CloseDurations(false, 200);
    const auto floor = JoinFloorDurations(200);
    const auto busy = CloseDurations(true, 100);
    const auto floor_busy = JoinFloorUnderTraffic(100);
    std::printf("CloseComm idle, 200 closes: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(idle, 50), Percentile(idle, 99),
                *std::max_element(idle.begin(), idle.end()));
    std::printf("CloseComm under traffic, 100 closes: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(busy, 50), Percentile(busy, 99),
                *std::max_element(busy.begin(), busy.end()));
    std::printf("thread join floor, 200 joins: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(floor, 50), Percentile(floor, 99),
                *std::max_element(floor.begin(), floor.end()));
    Record("close.idle_p50_ms", Percentile(idle, 50));
    Record("close.idle_p99_ms", Percentile(idle, 99));
    Record("close.busy_p50_ms", Percentile(busy, 50));
    Record("close.busy_p99_ms", Percentile(busy, 99));
    Record("close.floor_p50_ms", Percentile(floor, 50));
    Record("close.floor_p99_ms", Percentile(floor, 99));
    std::printf(
        "thread join floor under the same traffic, 100 joins: p50 %.3f ms, p99 %.3f ms, max "
        "%.3f ms\n",
        Percentile(floor_busy, 50), Percentile(floor_busy, 99),
        *std::max_element(floor_busy.begin(), floor_busy.end()));
    Record("close.floor_busy_p99_ms", Percentile(floor_busy, 99));
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
    Record("component_cpu.ms_per_s", used / 10.0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // With no arguments every figure; else only those named: latency throughput delivery steady
    // write close cpu.
    // The rx-* names below run one receive path alone.
    const QStringList asked = app.arguments().mid(1);
    auto wanted = [&asked](const char* name) {
        return asked.isEmpty() || asked.contains(QLatin1String(name));
    };
    if (wanted("latency")) {
        LatencyBench();
    }
    const int rounds = std::max(3, qEnvironmentVariableIntValue("ZVONMAT_BENCH_ROUNDS"));
    if (wanted("throughput")) {
        ThroughputBench(rounds);
    }
    // One receive path alone, for a profiler: rx-component, rx-plain, rx-libserialport.
    constexpr std::size_t kProfileTotal = 64 * 2048 * 256;
    if (asked.contains(QLatin1String("rx-component"))) {
        std::printf("component %.1f MB/s\n", ComponentThroughput(kProfileTotal));
    }
    if (asked.contains(QLatin1String("rx-plain"))) {
        std::printf("plain read loop %.1f MB/s\n", PlainThroughput(kProfileTotal));
    }
    if (asked.contains(QLatin1String("rx-libserialport"))) {
        std::printf("libserialport %.1f MB/s\n", LibserialportThroughput(kProfileTotal));
    }
    if (wanted("delivery")) {
        DeliveryBench();
    }
    if (wanted("steady")) {
        SteadyCpuBench(rounds);
    }
    if (wanted("write")) {
        WriteBench(rounds);
    }
    if (wanted("close")) {
        CloseBench();
    }
    if (wanted("close") || asked.contains(QLatin1String("close-stalled"))) {
        StalledCloseBench();
    }
    if (wanted("cpu")) {
        IdleCpuBench();
    }
    return 0;
}
