// Appending a record to an empty journal against a journal of 1 GB, in one run. The journal is
// opened for appending, written once and closed per record, as the conversation button does, so
// its size should not matter. The large journal is made sparse: appending never reads it, and the
// machine need not write a gigabyte first.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dialing/Journal.h"

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double medianMicros(const std::string& path, const std::string& record, int records) {
    std::vector<double> times;
    times.reserve(std::size_t(records));
    for (int i = 0; i < records; ++i) {
        const auto start = std::chrono::steady_clock::now();
        append_journal_record(path, record);
        times.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    return median(times);
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zvonmat-journal-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string empty = (dir / "empty.jur").string();
    const std::string large = (dir / "large.jur").string();
    {
        const int fd = ::open(large.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::ftruncate(fd, off_t(1) << 30) != 0) {
            std::perror("large journal");
            return 1;
        }
        ::close(fd);
    }
    const std::string record =
        journal_record("07.12.26", "89161234567", "Ivanov", "23:59:30", "01:05");
    // Alternating rounds; the medians of the rounds' medians and of their ratios.
    std::vector<double> small_rounds, large_rounds, ratios;
    for (int round = 0; round < 5; ++round) {
        small_rounds.push_back(medianMicros(empty, record, records));
        large_rounds.push_back(medianMicros(large, record, records));
        ratios.push_back(large_rounds.back() / small_rounds.back());
    }
    const double small_us = median(small_rounds), large_us = median(large_rounds);
    std::filesystem::remove_all(dir);
    std::printf("%-36s %10s %10s %7s %6s\n", "journal append (median us/record)", "empty", "1 GB",
                "ratio", "goal");
    std::printf("%-36s %10.2f %10.2f %7.2f %6s\n", "open, one write, close", small_us, large_us,
                median(ratios), "1.5");
    std::printf("@journal.large_us %.6g\n@journal.empty_us %.6g\n@journal.ratio %.6g\n", large_us,
                small_us, median(ratios));
    return 0;
}
