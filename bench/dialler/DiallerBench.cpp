// The dialler itself, run as a user runs it, offscreen, against the modem simulator:
//
// - cpu: the CPU an idle dialler uses with the port open (it has dialled and the modem answered
//   CONNECT), per second, against an idle minimal Qt Widgets program, both left alone for 35 s
//   and then sampled over the same windows of 10 s: utime+stime from /proc/PID/stat, and the
//   process's CPU clock, which does not round to ticks of 10 ms (the table's figure, the mean
//   over the windows).
// - countdown: the modem answers every dial with BUSY and the waiting time is 60 s; the redial
//   times come from the simulator's log. Between two dial lines lie the silence of 250 ms after
//   which the component hands the reply on (the countdown starts there), the 60 s countdown and
//   the fixed pause of 500 ms before every dial line; the figure is the interval minus those
//   three, per attempt, and its drift from the first attempt to the last.
// - day: a long day, compressed: 150 redials in three runs of 50 against a modem that answers
//   BUSY 50 times and then CONNECT, with a waiting time of 0 (each waiting period ends at the
//   countdown's first tick); each run ends in a conversation and a journal record. The dialler's
//   resident memory, open descriptors and threads after the third run against after the first.
//
// With no argument cpu and countdown run, the idle measurement during the countdown's first
// waiting period; day runs only when named.
// Every figure is printed once more as "@name value" for bench/run.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kWaitSeconds = 60;
constexpr int kRedials = 3;
constexpr double kDialPauseMs = 500;
constexpr double kSilenceMs = 250;

std::atomic<bool> interrupted{false};

// Sleeps, but gives up at once when the harness is interrupted, so that the helpers it started
// are stopped on the way out.
void Sleep(std::chrono::milliseconds span) {
    const auto deadline = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < deadline) {
        if (interrupted.load()) {
            throw std::runtime_error("interrupted");
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::nanoseconds>(100ms, deadline - std::chrono::steady_clock::now()));
    }
}

void Record(const std::string& name, double value) {
    std::printf("@%s %.6g\n", name.c_str(), value);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// One dialler and its modem in a directory of their own: the settings file in the working
// directory, the per-machine store mapping COM4 to the simulator's link.
struct World {
    fs::path dir;
    fs::path modem_log;
    std::unique_ptr<ChildProcess> modem;
    std::unique_ptr<ChildProcess> dialler;

    World(const fs::path& bin, const fs::path& root, const std::string& replies,
          const std::vector<std::string>& probe_options = {},
          const std::string& settings = "[PARAM]\r\nport=4\r\nwait=" +
                                        std::to_string(kWaitSeconds) +
                                        "\r\nn_run=" + std::to_string(kRedials + 1) +
                                        "\r\nton_p=ATDT\r\ninit=ATZ\r\n")
        : dir(root) {
        fs::remove_all(dir);
        const fs::path link = dir / "com4";
        modem_log = dir / "modem.log";
        WriteFile(dir / "xdg/user_name/user.conf", "[ports]\r\nCOM4=" + link.string() + "\r\n");
        WriteFile(dir / "work/zvonmat.ini", settings);
        modem = std::make_unique<ChildProcess>(
            std::vector<std::string>{(bin.parent_path() / "bin/zvonmat-modemsim").string(),
                                     "--link", link.string(), "--replies", replies, "--dial-delay",
                                     "0", "--log", modem_log.string()},
            dir.string(), ChildProcess::Environment{}, (dir / "modem.out").string());
        for (int i = 0; i < 100 && !fs::is_symlink(link); ++i) {
            Sleep(50ms);
        }
        if (!fs::is_symlink(link)) {
            throw std::runtime_error("the modem simulator did not start; see " +
                                     (dir / "modem.out").string());
        }
        std::vector<std::string> probe{(bin / "probe_zvonmat").string(), "--dial", "5551234"};
        probe.insert(probe.end(), probe_options.begin(), probe_options.end());
        dialler = std::make_unique<ChildProcess>(
            probe, (dir / "work").string(),
            ChildProcess::Environment{{"QT_QPA_PLATFORM", "offscreen"},
                                      {"XDG_CONFIG_DIRS", (dir / "xdg").string()},
                                      {"XDG_CONFIG_HOME", (dir / "xdg").string()}},
            (dir / "dialler.out").string());
        if (!dialler->WaitReady(30s)) {
            throw std::runtime_error("the dialler did not dial; see " +
                                     (dir / "dialler.out").string());
        }
    }
    ~World() {
        dialler.reset();  // the dialler before its modem
        modem.reset();
    }

    // Times (ms since the simulator started) of the dial lines logged so far.
    std::vector<double> DialTimes() const {
        std::vector<double> times;
        std::ifstream log(modem_log);
        std::string line;
        while (std::getline(log, line)) {
            std::istringstream fields(line);
            double ms = 0;
            std::string command;
            if (fields >> ms >> command && command.rfind("ATD", 0) == 0) {
                times.push_back(ms);
            }
        }
        return times;
    }
};

struct CpuSample {
    double tick_ms = 0;  // utime + stime, whole process
    double cpu_ms = 0;   // the same, to the nanosecond
};

CpuSample SampleCpu(pid_t pid) {
    CpuSample sample;
    const fs::path proc = "/proc/" + std::to_string(pid);
    std::ifstream stat(proc / "stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold blanks, start with the state (field 3).
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::vector<std::string> fields{std::istream_iterator<std::string>(rest),
                                    std::istream_iterator<std::string>()};
    if (fields.size() > 12) {
        const double tick = 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
        sample.tick_ms = (std::stod(fields[11]) + std::stod(fields[12])) * tick;
    }
    // The process's CPU clock counts in nanoseconds and keeps the time of threads that ended.
    clockid_t clock{};
    timespec used{};
    if (::clock_getcpuclockid(pid, &clock) == 0 && ::clock_gettime(clock, &used) == 0) {
        sample.cpu_ms =
            static_cast<double>(used.tv_sec) * 1e3 + static_cast<double>(used.tv_nsec) / 1e6;
    }
    return sample;
}

void IdleCpu(const fs::path& bin, const fs::path& root, int windows) {
    World world(bin, root / "idle", "CONNECT 2400");
    // Not anchors, but the causes told apart: the dialler with a caret that never blinks, and
    // the minimal program with a focused text field, whose caret blinks for ever.
    World steady(bin, root / "idle-steady-caret", "CONNECT 2400", {"--no-caret-blink"});
    ChildProcess minimal({(bin / "probe_minimal").string(), "--idle"}, root.string(),
                         {{"QT_QPA_PLATFORM", "offscreen"}}, (root / "minimal.out").string());
    ChildProcess with_field({(bin / "probe_minimal").string(), "--idle", "--line-edit"},
                            root.string(), {{"QT_QPA_PLATFORM", "offscreen"}},
                            (root / "minimal-field.out").string());
    if (!minimal.WaitReady(30s) || !with_field.WaitReady(30s)) {
        throw std::runtime_error("the minimal program did not start");
    }
    // Idle means nobody has touched the program for a while: the CONNECT reply and the first
    // paints are over, the caret has stopped blinking (after 10 s) and the helper threads that
    // Qt's painting started have ended (after 30 s without work), in both programs.
    Sleep(35s);
    std::vector<double> ours, anchor, field, steady_caret, ours_ticks, anchor_ticks;
    for (int i = 0; i < windows; ++i) {
        const CpuSample a0 = SampleCpu(world.dialler->Pid());
        const CpuSample b0 = SampleCpu(minimal.Pid());
        const CpuSample c0 = SampleCpu(with_field.Pid());
        const CpuSample d0 = SampleCpu(steady.dialler->Pid());
        const auto start = std::chrono::steady_clock::now();
        Sleep(10s);
        const CpuSample a1 = SampleCpu(world.dialler->Pid());
        const CpuSample b1 = SampleCpu(minimal.Pid());
        const CpuSample c1 = SampleCpu(with_field.Pid());
        const CpuSample d1 = SampleCpu(steady.dialler->Pid());
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!world.dialler->Running() || !minimal.Running() || !with_field.Running() ||
            !steady.dialler->Running()) {
            throw std::runtime_error("a probe ended while idle");
        }
        ours.push_back((a1.cpu_ms - a0.cpu_ms) / seconds);
        anchor.push_back((b1.cpu_ms - b0.cpu_ms) / seconds);
        field.push_back((c1.cpu_ms - c0.cpu_ms) / seconds);
        steady_caret.push_back((d1.cpu_ms - d0.cpu_ms) / seconds);
        ours_ticks.push_back((a1.tick_ms - a0.tick_ms) / seconds);
        anchor_ticks.push_back((b1.tick_ms - b0.tick_ms) / seconds);
        std::printf(
            "idle CPU, window %d: dialler %.4f ms/s (ticks %.1f), minimal Qt %.4f ms/s (ticks "
            "%.1f); dialler with a steady caret %.4f ms/s, minimal Qt with a focused field %.4f "
            "ms/s\n",
            i + 1, ours.back(), ours_ticks.back(), anchor.back(), anchor_ticks.back(),
            steady_caret.back(), field.back());
    }
    // The ratio of the sums over all windows: the per-window figures are often both zero, and a
    // quotient of two zeros says nothing. Two programs that both used nothing are even.
    const double ours_sum = std::accumulate(ours.begin(), ours.end(), 0.0);
    const double anchor_sum = std::accumulate(anchor.begin(), anchor.end(), 0.0);
    const double ratio = anchor_sum > 0  ? ours_sum / anchor_sum
                         : ours_sum == 0 ? 1.0
                                         : std::numeric_limits<double>::infinity();
    std::printf(
        "idle CPU with the port open, median of %d windows of 10 s: dialler %.4f ms/s, minimal Qt "
        "%.4f ms/s, ratio of the sums %.2f (utime+stime: %.1f and %.1f ms/s); dialler with a "
        "steady caret "
        "%.4f ms/s, minimal Qt with a focused field %.4f ms/s\n",
        windows, Median(ours), Median(anchor), ratio, Median(ours_ticks), Median(anchor_ticks),
        Median(steady_caret), Median(field));
    Record("cpu.steady_caret_ms_per_s", Median(steady_caret));
    Record("cpu.field_ms_per_s", Median(field));
    Record("cpu.ours_ms_per_s", Median(ours));
    Record("cpu.anchor_ms_per_s", Median(anchor));
    Record("cpu.ratio", ratio);
    Record("cpu.ours_mean_ms_per_s", ours_sum / windows);
    Record("cpu.anchor_mean_ms_per_s", anchor_sum / windows);
    Record("cpu.ours_ticks_ms_per_s", Median(ours_ticks));
    Record("cpu.anchor_ticks_ms_per_s", Median(anchor_ticks));
}

// What a process holds at a moment: resident memory, open descriptors, threads.
struct Footprint {
    long rss_kib = 0;
    long fds = 0;
    long threads = 0;
};

Footprint TakeFootprint(pid_t pid) {
    Footprint footprint;
    const fs::path proc = "/proc/" + std::to_string(pid);
    std::ifstream status(proc / "status");
    for (std::string line; std::getline(status, line);) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name == "VmRSS:") {
            fields >> footprint.rss_kib;
        } else if (name == "Threads:") {
            fields >> footprint.threads;
        }
    }
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(proc / "fd")) {
        ++footprint.fds;
    }
    return footprint;
}

long JournalRecords(const fs::path& journal) {
    std::ifstream in(journal, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
}

void LongDay(const fs::path& bin, const fs::path& root) {
    constexpr int kRuns = 3;
    constexpr int kBusyPerRun = 50;
    std::string replies;
    for (int run = 0; run < kRuns; ++run) {
        for (int i = 0; i < kBusyPerRun; ++i) {
            replies += "BUSY,";
        }
        replies += run + 1 < kRuns ? "CONNECT 2400," : "CONNECT 2400";
    }
    World world(bin, root / "day", replies, {"--day", std::to_string(kRuns)},
                "[PARAM]\r\nport=4\r\nwait=0\r\nn_run=" + std::to_string(kBusyPerRun + 1) +
                    "\r\nton_p=ATDT\r\ninit=ATZ\r\n");
    std::vector<Footprint> after;
    const auto day_start = std::chrono::steady_clock::now();
    for (int run = 1; run <= kRuns; ++run) {
        // Each redial takes the countdown's first tick (1 s), the 500 ms pause and the 250 ms
        // silence: about 90 s per run.
        if (!world.dialler->WaitReady(300s)) {
            throw std::runtime_error("day: run " + std::to_string(run) +
                                     " did not end in a conversation; see " +
                                     (world.dir / "dialler.out").string());
        }
        after.push_back(TakeFootprint(world.dialler->Pid()));
        const std::size_t dials = world.DialTimes().size();
        const long records = JournalRecords(world.dir / "work/zvonmat.jur");
        std::printf(
            "day, run %d after %.0f s: %zu dial lines in all, %ld journal records; resident %ld "
            "KiB, %ld descriptors, %ld threads\n",
            run,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - day_start).count(),
            dials, records, after.back().rss_kib, after.back().fds, after.back().threads);
        if (dials != static_cast<std::size_t>(run * (kBusyPerRun + 1)) || records != run) {
            throw std::runtime_error("day: run " + std::to_string(run) +
                                     " dialled or journalled the wrong number of times");
        }
    }
    const Footprint& first = after.front();
    const Footprint& last = after.back();
    Record("day.rss_first_kib", static_cast<double>(first.rss_kib));
    Record("day.rss_third_kib", static_cast<double>(last.rss_kib));
    Record("day.rss_ratio", static_cast<double>(last.rss_kib) / static_cast<double>(first.rss_kib));
    Record("day.fds_first", static_cast<double>(first.fds));
    Record("day.fds_third", static_cast<double>(last.fds));
    Record("day.threads_first", static_cast<double>(first.threads));
    Record("day.threads_third", static_cast<double>(last.threads));
}

int Run(const fs::path& root, bool cpu, bool countdown, int windows) {
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    std::optional<World> busy;
    if (countdown) {
        busy.emplace(bin, root / "countdown", "BUSY");
    }
    if (cpu) {
        IdleCpu(bin, root, windows);
    }
    if (countdown) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds((kWaitSeconds + 2) * 4 + 30);
        while (busy->DialTimes().size() < kRedials + 1 &&
               std::chrono::steady_clock::now() < deadline && busy->dialler->Running()) {
            Sleep(200ms);
        }
        const std::vector<double> dials = busy->DialTimes();
        busy.reset();
        if (dials.size() < kRedials + 1) {
            std::fprintf(stderr, "countdown: only %zu dial lines logged\n", dials.size());
            return 1;
        }
        std::vector<double> errors;
        double worst = 0;
        for (std::size_t i = 1; i < dials.size(); ++i) {
            errors.push_back(dials[i] - dials[i - 1] - kWaitSeconds * 1000.0 - kDialPauseMs -
                             kSilenceMs);
            worst = std::max(worst, std::fabs(errors.back()));
            std::printf("countdown, attempt %zu: dial lines %.0f ms apart, error %+.0f ms\n", i,
                        dials[i] - dials[i - 1], errors.back());
            Record("countdown.error" + std::to_string(i) + "_ms", errors.back());
        }
        std::printf("countdown: worst error %.0f ms, drift (last - first) %+.0f ms\n", worst,
                    errors.back() - errors.front());
        Record("countdown.worst_ms", worst);
        Record("countdown.drift_ms", errors.back() - errors.front());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto asked = [&args](const char* name) {
        return args.empty() || std::find(args.begin(), args.end(), name) != args.end();
    };
    struct sigaction on_stop {};
    on_stop.sa_handler = [](int) { interrupted = true; };
    ::sigaction(SIGINT, &on_stop, nullptr);
    ::sigaction(SIGTERM, &on_stop, nullptr);
    const fs::path root =
        fs::temp_directory_path() / ("zvonmat-dialler-bench-" + std::to_string(::getpid()));
    int status = 1;
    try {
        const bool day = std::find(args.begin(), args.end(), "day") != args.end();
        const bool others = args.empty() || asked("cpu") || asked("countdown");
        status = others ? Run(root, asked("cpu"), asked("countdown"), 3) : 0;
        if (status == 0 && day) {
            LongDay(fs::canonical("/proc/self/exe").parent_path(), root);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dialler_bench: %s\n", e.what());
    }
    if (status == 0) {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    } else {
        std::fprintf(stderr, "dialler_bench: the helpers' output is kept in %s\n", root.c_str());
    }
    return status;
}
