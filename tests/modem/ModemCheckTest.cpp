#include "modem/ModemCheck.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <QTest>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/UniqueFd.h"
#include "support/ModemSimProcess.h"

namespace {

using modem::Finding;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Each row: the simulator's argument ("held": none, and this test holds the line's lock as the
// dialler would; nullptr: no simulator, the device is missing), then the verdict, the words its
// reason starts with and the lines exchanged. No answer comes after the limit, never before it.
TEST(ModemCheck, TalksToTheModemAndSaysWhatCameOfIt) {
    struct Row {
        const char* name;
        const char* modem;
        Finding::Verdict verdict;
        const char* reason;
        const char* lines;  // separated by commas
    };
    const Row rows[] = {
        {"answers, saying what it is; its echoes are not taken for its name", "--echo",
         Finding::Answers, "Модем отвечает: 2400, zvonmat-modemsim 2400.",
         "→ AT,← AT,← OK,→ ATI,← ATI,← 2400,← OK,→ ATI3,← ATI3,← zvonmat-modemsim 2400,← OK"},
        {"never answers", "--silent", Finding::NoAnswer, "Модем не ответил за 3 с.", "→ AT"},
        {"no such device", nullptr, Finding::CannotOpen, "Нет такого устройства", ""},
        // The lock is this process's own, which is not looked at for the holder: the simulator,
        // which keeps its line's device open, is the holder found.
        {"held by the dialler's lock: never opened, and the holder named", "held",
         Finding::CannotOpen, "Устройство «%1» занято: его держит zvonmat-modemsi (процесс %2).",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const bool held = row.modem != nullptr && std::string_view(row.modem) == "held";
        std::unique_ptr<ModemSimProcess> sim;
        std::string device = "/nonexistent/ttyACM9";
        QString reason = QString::fromUtf8(row.reason);
        platform::UniqueFd lock;
        if (row.modem != nullptr) {
            sim = std::make_unique<ModemSimProcess>(held ? std::vector<std::string>{}
                                                         : std::vector<std::string>{row.modem});
            ASSERT_TRUE(sim->started());
            device = sim->link();
        }
        if (held) {
            reason = reason.arg(QString::fromStdString(device), QString::number(sim->pid()));
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
        EXPECT_GE(Clock::now() - started, row.verdict == Finding::NoAnswer ? 3000ms : 0ms);
        EXPECT_EQ(finding->verdict, row.verdict);
        EXPECT_TRUE(finding->reason.startsWith(reason)) << finding->reason.toStdString();
        EXPECT_EQ(row.verdict == Finding::Answers, finding->remedy.isEmpty());
        EXPECT_EQ(lines.join(u','), QString::fromUtf8(row.lines));
        EXPECT_FALSE(check.running());
    }
}

}  // namespace
