// The journal viewer on a journal of 1 GB (15 million records, Cyrillic subscribers) and on one of
// 10 MB, each side by side with the plain tools in the same run:
//
// - time to the first screen of rows: from starting zvonmat-journal's window in a fresh process
//   to the first paint of a table with rows, against `head -n 60` of the same file;
// - the filter: seven characters typed 50 ms apart, a subscriber 1 % of the records hold, from
//   the last key to complete totals, against `LC_ALL=C grep -c` with the same text's
//   Windows-1251 bytes; the longest gap between the ticks of a 10 ms timer on the main thread
//   meanwhile;
// - the viewer's peak resident memory, after the whole file is indexed and filtered.
//
// The journals are generated once in the program's directory and kept for later runs.
//
//   viewer_bench [ROUNDS]          the measurements, ROUNDS alternating rounds (3)
//   viewer_bench --open FILE       one viewer process (run by the above)
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dialing/Journal.h"
#include "platform/Cp1251.h"
#include "viewer/JournalWindow.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

const QString kFilter = QStringLiteral("Цыганов");

// Writes `records` records of the dialler's format; every hundredth subscriber is the filter's.
void generate(const std::string& path, std::uint64_t records) {
    static const char* const kNames[] = {
        "Иванов",   "Петров",      "Сидоров",   "Кузнецов",   "Смирнов",   "Попов",    "Васильев",
        "Соколов",  "Михайлов",    "Новиков",   "Фёдоров",    "Морозов",   "Волков",   "Алексеев",
        "Лебедев",  "Семёнов",     "Егоров",    "Павлов",     "Козлов",    "Степанов", "Николаев",
        "Орлов",    "Андреев",     "Макаров",   "Никитин",    "Захаров",   "Зайцев",   "Соловьёв",
        "Борисов",  "Яковлев",     "Григорьев", "Романов",    "Воробьёв",  "Сергеев",  "Кузьмин",
        "Фролов",   "Александров", "Дмитриев",  "Королёв",    "Гусев",     "Киселёв",  "Ильин",
        "Максимов", "Поляков",     "Сорокин",   "Виноградов", "Ковалёв",   "Белов",    "Медведев",
        "Антонов",  "Тарасов",     "Жуков",     "Баранов",    "Филиппов",  "Комаров",  "Давыдов",
        "Беляев",   "Герасимов",   "Богданов",  "Осипов",     "Сидоренко", "Матвеев",  "Титов",
        "Марков",   "Миронов",     "Крылов",    "Куликов",    "Карпов",    "Власов",   "Мельников",
        "Денисов",  "Гаврилов",    "Тихонов",   "Казаков",    "Афанасьев", "Данилов",  "Савельев",
        "Тимофеев", "Фомин",       "Чернов",    "Абрамов",    "Мартынов",  "Ефимов",   "Федотов",
        "Щербаков", "Назаров",     "Калинин",   "Исаев",      "Чернышёв",  "Быков",    "Маслов",
        "Родионов", "Коновалов",   "Лазарев",   "Воронин",    "Климов",    "Филатов",  "Пономарёв",
        "Голубев",  "Кудрявцев"};
    std::vector<std::string> names;
    for (const char* name : kNames) {
        names.push_back(platform::toCp1251(QString::fromUtf8(name)));
    }
    const std::string filter = platform::toCp1251(kFilter);
    std::ofstream out(path + ".part", std::ios::binary);
    std::string buffer;
    char number[16], date[16], time[16], duration[16];
    std::uint64_t state = 88172645463325252ull;
    for (std::uint64_t i = 0; i < records; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        const std::uint64_t day = i * 3650 / records;
        std::snprintf(date, sizeof date, "%02u.%02u.%04u", unsigned(day % 28 + 1),
                      unsigned(day / 28 % 12 + 1), unsigned(2016 + day / 336));
        std::snprintf(number, sizeof number, "8916%07u", unsigned(state % 10000000));
        std::snprintf(time, sizeof time, "%02u:%02u:%02u", unsigned(state >> 24) % 24,
                      unsigned(state >> 32) % 60, unsigned(state >> 40) % 60);
        std::snprintf(duration, sizeof duration, "%02u:%02u", unsigned(state >> 48) % 20,
                      unsigned(state >> 56) % 60);
        const std::string& subscriber =
            i % 100 == 37 ? filter : names[std::size_t(state >> 20) % names.size()];
        buffer += journal_record(date, number, subscriber, time, duration);
        if (buffer.size() >= 1 << 20) {
            out << buffer;
            buffer.clear();
        }
    }
    out << buffer;
    out.close();
    std::filesystem::rename(path + ".part", path);
}

// The journal `name` in `dir` of `records` records, generated unless it is there already.
std::string journal(const std::string& dir, const char* name, std::uint64_t records) {
    const std::string path = dir + "/" + name;
    if (!std::filesystem::exists(path)) {
        std::fprintf(stderr, "viewer_bench: generating %s (%llu records)\n", path.c_str(),
                     static_cast<unsigned long long>(records));
        generate(path, records);
    }
    return path;
}

struct Child {
    pid_t pid = -1;
    FILE* out = nullptr;
};

// Starts `argv`, its standard output into a pipe.
Child spawn(const std::vector<std::string>& argv) {
    int pipe_fds[2] = {-1, -1};
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    Child child;
    if (posix_spawnp(&child.pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        std::perror(args[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    child.out = ::fdopen(pipe_fds[0], "r");
    return child;
}

int wait_for(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

// A plain tool's run, start to exit. Its output is read through a pipe: grep stops at the first
// match when it writes to /dev/null.
double tool_ms(const std::vector<std::string>& argv) {
    const auto start = Clock::now();
    const Child child = spawn(argv);
    char buffer[4096];
    while (std::fread(buffer, 1, sizeof buffer, child.out) > 0) {
    }
    std::fclose(child.out);
    wait_for(child.pid);
    return ms(Clock::now() - start);
}

struct Viewer {
    double first_screen_ms = 0, indexed_ms = 0, filter_ms = 0, stall_ms = 0, sort_ms = 0;
    long rss_kib = 0, calls = 0;
};

// One viewer process: the time to its first screen, seen from here; the rest as it reports.
Viewer run_viewer(const std::string& self, const std::string& path, const char* then = nullptr) {
    Viewer viewer;
    const auto start = Clock::now();
    std::vector<std::string> argv = {self, "--open", path};
    if (then) {
        argv.push_back(then);
    }
    Child child = spawn(argv);
    char line[256];
    while (std::fgets(line, sizeof line, child.out)) {
        char key[64];
        double value;
        if (std::sscanf(line, "@%63s %lf", key, &value) != 2) {
            continue;
        }
        const std::string name = key;
        if (name == "shown") {
            viewer.first_screen_ms = ms(Clock::now() - start);
        } else if (name == "indexed_ms") {
            viewer.indexed_ms = value;
        } else if (name == "filter_ms") {
            viewer.filter_ms = value;
        } else if (name == "sort_ms") {
            viewer.sort_ms = value;
        } else if (name == "stall_ms") {
            viewer.stall_ms = value;
        } else if (name == "rss_kib") {
            viewer.rss_kib = long(value);
        } else if (name == "calls") {
            viewer.calls = long(value);
        }
    }
    std::fclose(child.out);
    if (wait_for(child.pid) != 0) {
        std::fprintf(stderr, "viewer_bench: the viewer failed on %s\n", path.c_str());
        std::exit(1);
    }
    return viewer;
}

long peak_rss_kib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmHWM:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// The viewer's side: the window on FILE; once all is counted, with --filter the filter typed,
// with --sort a click on the date's header.
int open_viewer(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);
    const bool filter = argc > 3 && std::strcmp(argv[3], "--filter") == 0;
    const bool sort = argc > 3 && std::strcmp(argv[3], "--sort") == 0;
    QElapsedTimer since_start;
    since_start.start();
    JournalWindow window(path);
    window.resize(660, 420);
    window.show();

    // The first paint of the table with rows in it.
    struct PaintWatch : QObject {
        JournalWindow* window;
        bool shown = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (!shown && event->type() == QEvent::Paint && window->model().rowCount() > 0) {
                shown = true;
                QTimer::singleShot(0, [] {
                    std::printf("@shown 1\n");
                    std::fflush(stdout);
                });
            }
            return QObject::eventFilter(watched, event);
        }
    } watch;
    watch.window = &window;
    window.table()->viewport()->installEventFilter(&watch);

    // The longest gap between the ticks of a 10 ms timer.
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QElapsedTimer since_tick;
    double stall = 0;
    bool measuring = false;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (measuring) {
            stall = std::max(stall, double(since_tick.nsecsElapsed()) / 1e6);
        }
        since_tick.restart();
    });
    ticker.start();

    QElapsedTimer since_last_key;
    int typed = -1;  // -1: the file is still being indexed
    QTimer steps;
    steps.setInterval(50);
    QObject::connect(&steps, &QTimer::timeout, [&] {
        if (typed < 0) {
            if (window.model().busy() || !watch.shown) {
                return;
            }
            std::printf("@indexed_ms %.1f\n", double(since_start.nsecsElapsed()) / 1e6);
            std::fflush(stdout);
            since_tick.restart();
            measuring = true;
            if (sort) {
                typed = int(kFilter.size());
                since_last_key.start();
                window.table()->sortByColumn(JournalModel::Date, Qt::AscendingOrder);
                return;
            }
            if (!filter) {
                app.quit();
                return;
            }
            typed = 0;
        }
        if (typed < kFilter.size()) {
            ++typed;
            window.filterEdit()->setText(kFilter.left(typed));
            since_last_key.start();
        }
    });
    // Complete totals for the whole text typed.
    QObject::connect(&window.model(), &JournalModel::totalsChanged, [&] {
        if (typed < kFilter.size() || window.model().busy() || !measuring) {
            return;
        }
        measuring = false;
        std::printf("@%s_ms %.1f\n@stall_ms %.1f\n@calls %lld\n", sort ? "sort" : "filter",
                    double(since_last_key.nsecsElapsed()) / 1e6, stall,
                    static_cast<long long>(window.model().totals().calls));
        app.quit();
    });
    steps.start();
    QApplication::exec();
    std::printf("@rss_kib %ld\n", peak_rss_kib());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--open") == 0) {
        return open_viewer(argc, argv);
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string dir = std::filesystem::path(self).parent_path().string();
    const std::string large = journal(dir, "viewer-bench-1g.jur", 15000000);
    const std::string small = journal(dir, "viewer-bench-10m.jur", 140000);
    const std::string needle = platform::toCp1251(kFilter);

    std::vector<double> first, head, small_first, small_head, filter, grep, ratio, stall, indexed;
    long rss = 0, calls = 0;
    for (int round = 0; round < rounds; ++round) {
        head.push_back(tool_ms({"head", "-n", "60", large}));
        const Viewer viewer = run_viewer(self, large, "--filter");
        first.push_back(viewer.first_screen_ms);
        indexed.push_back(viewer.indexed_ms);
        filter.push_back(viewer.filter_ms);
        stall.push_back(viewer.stall_ms);
        rss = std::max(rss, viewer.rss_kib);
        calls = viewer.calls;
        grep.push_back(tool_ms({"env", "LC_ALL=C", "grep", "-c", needle, large}));
        ratio.push_back(filter.back() / grep.back());
        small_head.push_back(tool_ms({"head", "-n", "60", small}));
        small_first.push_back(run_viewer(self, small).first_screen_ms);
    }
    const Viewer sorted = run_viewer(self, large, "--sort");
    const double stall_worst = *std::max_element(stall.begin(), stall.end());
    std::printf("%-52s %10s %10s\n", "journal viewer (median ms)", "viewer", "anchor");
    std::printf("%-52s %10.1f %10.1f\n", "1 GB: first screen / head -n 60", median(first),
                median(head));
    std::printf("%-52s %10.1f %10s\n", "1 GB: all indexed and counted", median(indexed), "");
    std::printf("%-52s %10.1f %10.1f\n", "1 GB: filter to totals / grep -c", median(filter),
                median(grep));
    std::printf("%-52s %10.1f %10s\n", "1 GB: longest main-thread stall while filtering",
                stall_worst, "");
    std::printf("%-52s %10ld %10s\n", "1 GB: peak resident memory (KiB)", rss, "");
    std::printf("%-52s %10.1f %10.1f\n", "10 MB: first screen / head -n 60", median(small_first),
                median(small_head));
    std::printf("%-52s %10.1f %10s\n", "1 GB: sort by date, click to rows (once)", sorted.sort_ms,
                "");
    std::printf("%-52s %10.1f %10s\n", "1 GB: longest main-thread stall while sorting",
                sorted.stall_ms, "");
    std::printf("%-52s %10ld %10s\n", "1 GB: peak resident memory, sorted (KiB)", sorted.rss_kib,
                "");
    std::printf("calls matching the filter: %ld\n", calls);
    std::printf("@viewer.first_ms %.6g\n@viewer.head_ms %.6g\n", median(first), median(head));
    std::printf("@viewer.indexed_ms %.6g\n", median(indexed));
    std::printf("@viewer.filter_ms %.6g\n@viewer.grep_ms %.6g\n@viewer.filter_ratio %.6g\n",
                median(filter), median(grep), median(ratio));
    std::printf("@viewer.stall_ms %.6g\n@viewer.rss_kib %ld\n", stall_worst, rss);
    std::printf("@viewer.sort_ms %.6g\n@viewer.sort_rss_kib %ld\n", sorted.sort_ms, sorted.rss_kib);
    std::printf("@viewer.small_first_ms %.6g\n@viewer.small_head_ms %.6g\n", median(small_first),
                median(small_head));
    return 0;
}
