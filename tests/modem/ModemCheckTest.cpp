#include "modem/ModemCheck.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <QTest>
#include <chrono>
#include <memory>
#include <optional>

#include "platform/UniqueFd.h"
#include "support/ModemSimProcess.h"

namespace {

using modem::Finding;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Each row: the simulator's arguments (none: no simulator, the device is missing), whether the
// test holds the device's lock as the dialler would, then the verdict, the words its reason
// starts with, the lines exchanged and how long it takes at least.
TEST(ModemCheck, TalksToTheModemAndSaysWhatCameOfIt) {
    struct Row {
        const char* name;
        std::optional<std::vector<std::string>> modem;
        bool held;
        Finding::Verdict verdict;
        QString reason;
        QStringList lines;
        std::chrono::milliseconds at_least;
    };
    const Row rows[] = {
        {"answers, saying what it is",
         std::vector<std::string>{},
         false,
         Finding::Answers,
         QStringLiteral("Модем отвечает: 2400, zvonmat-modemsim 2400."),
         {"→ AT", "← OK", "→ ATI", "← 2400", "← OK", "→ ATI3", "← zvonmat-modemsim 2400", "← OK"},
         0ms},
        {"echoes are not taken for its name",
         std::vector<std::string>{"--echo"},
         false,
         Finding::Answers,
         QStringLiteral("Модем отвечает: 2400, zvonmat-modemsim 2400."),
         {"→ AT", "← AT", "← OK", "→ ATI", "← ATI", "← 2400", "← OK", "→ ATI3", "← ATI3",
          "← zvonmat-modemsim 2400", "← OK"},
         0ms},
        {"never answers: the verdict after the limit",
         std::vector<std::string>{"--silent"},
         false,
         Finding::NoAnswer,
         QStringLiteral("Модем не ответил за 3 с."),
         {"→ AT"},
         3000ms},
        {"no such device",
         std::nullopt,
         false,
         Finding::CannotOpen,
         QStringLiteral("Нет такого устройства"),
         {},
         0ms},
        {"held by the dialler's lock: never opened, and the holder named",
         std::vector<std::string>{},
         true,
         Finding::CannotOpen,
         QStringLiteral("Устройство «%1» занято: его держит %2 (процесс %3)."),
         {},
         0ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<ModemSimProcess> sim;
        std::string device = "/nonexistent/ttyACM9";
        if (row.modem) {
            sim = std::make_unique<ModemSimProcess>(*row.modem);
            ASSERT_TRUE(sim->started());
            device = sim->link();
        }
        // The lock is this process's own, which is not looked at for the holder: the simulator,
        // which keeps its line's device open, is the holder found.
        QString reason = row.reason;
        if (row.held) {
            reason = reason.arg(QString::fromStdString(device), "zvonmat-modemsi",
                                QString::number(sim->pid()));
        }
        platform::UniqueFd lock;
        if (row.held) {
            lock = platform::UniqueFd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
            ASSERT_EQ(::flock(lock.get(), LOCK_EX | LOCK_NB), 0);
        }

        modem::ModemCheck check;
        QStringList lines;
        std::optional<Finding> finding;
        check.onLine = [&](const modem::ExchangeLine& line) {
            lines << (line.kind == modem::ExchangeLine::Sent ? "→ " : "← ") + line.text;
        };
        check.onFinished = [&](const Finding& found) { finding = found; };
        const auto started = Clock::now();
        check.start(device);
        ASSERT_TRUE(QTest::qWaitFor([&] { return finding.has_value(); }, 10000));
        EXPECT_GE(Clock::now() - started, row.at_least);
        EXPECT_EQ(finding->verdict, row.verdict);
        EXPECT_TRUE(finding->reason.startsWith(reason)) << finding->reason.toStdString();
        EXPECT_EQ(row.verdict == Finding::Answers, finding->remedy.isEmpty());
        EXPECT_EQ(lines, row.lines);
        EXPECT_FALSE(check.running());
    }
}

}  // namespace
