// Start-up cost of the dialler against a minimal Qt Widgets program, measured side by side in one
// run: wall time from fork to the first painted window, and peak resident memory of the process.
// Runs both offscreen, alternating, and reports medians and the median of the ratios of each
// alternating pair. Every figure is printed once more as "@name value" for bench/run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Sample {
    double millis;
    long max_rss_kib;
};

Sample runOnce(const std::string& program, const std::filesystem::path& workdir) {
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (chdir(workdir.c_str()) != 0) {
            _exit(127);
        }
        setenv("ZVONMAT_PROBE_FD", std::to_string(fds[1]).c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_CONFIG_DIRS", workdir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", workdir.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char byte = 0;
    const bool signalled = read(fds[0], &byte, 1) == 1;
    const auto shown = std::chrono::steady_clock::now();
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!signalled || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s did not start cleanly\n", program.c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double, std::milli>(shown - start).count(), usage.ru_maxrss};
}

template <class T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path bin = std::filesystem::canonical("/proc/self/exe").parent_path();
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 21;
    const std::filesystem::path workdir =
        std::filesystem::temp_directory_path() / ("zvonmat-startup-" + std::to_string(getpid()));
    std::filesystem::create_directories(workdir);

    const std::string ours = (bin / "probe_zvonmat").string();
    const std::string anchor = (bin / "probe_minimal").string();
    runOnce(ours, workdir);  // warm the page cache for both
    runOnce(anchor, workdir);

    std::vector<double> ours_ms, anchor_ms, time_ratio, rss_ratio;
    std::vector<long> ours_rss, anchor_rss;
    for (int i = 0; i < runs; ++i) {
        const Sample a = runOnce(ours, workdir);
        const Sample b = runOnce(anchor, workdir);
        ours_ms.push_back(a.millis);
        ours_rss.push_back(a.max_rss_kib);
        anchor_ms.push_back(b.millis);
        anchor_rss.push_back(b.max_rss_kib);
        time_ratio.push_back(a.millis / b.millis);
        rss_ratio.push_back(static_cast<double>(a.max_rss_kib) /
                            static_cast<double>(b.max_rss_kib));
    }
    std::filesystem::remove_all(workdir);

    const double t_ours = median(ours_ms), t_anchor = median(anchor_ms);
    const long m_ours = median(ours_rss), m_anchor = median(anchor_rss);
    std::printf("%-34s %12s %12s %8s %6s\n", "figure (median of runs)", "zvonmat", "minimal Qt",
                "ratio", "goal");
    std::printf("%-34s %12.1f %12.1f %8.2f %6s\n", "start-up to first paint (ms)", t_ours, t_anchor,
                median(time_ratio), "1.25");
    std::printf("%-34s %12ld %12ld %8.2f %6s\n", "peak resident memory (KiB)", m_ours, m_anchor,
                median(rss_ratio), "1.25");
    std::printf("runs: %d each, alternating\n", runs);
    std::printf("@startup.ours_ms %.6g\n@startup.anchor_ms %.6g\n@startup.ratio %.6g\n", t_ours,
                t_anchor, median(time_ratio));
    std::printf("@rss.ours_kib %ld\n@rss.anchor_kib %ld\n@rss.ratio %.6g\n", m_ours, m_anchor,
                median(rss_ratio));
    return 0;
}
