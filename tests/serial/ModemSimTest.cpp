#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"
#include "serial/support/CommFixture.h"
#include "support/ModemSimProcess.h"

using namespace serial;
using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// The dialler's side of the simulator's line, opened raw as the component would.
class Line {
  public:
    explicit Line(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        EXPECT_TRUE(fd_) << path;
        termios raw{};
        if (::tcgetattr(fd_.get(), &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(fd_.get(), TCSANOW, &raw);
        }
    }

    void Send(std::string_view text) { WriteAll(fd_.get(), text, 5000ms); }
    // What comes until `answer` could have, or within 300 ms when none is due.
    std::string Read(const std::string& answer) {
        return answer.empty() ? ReadUpTo(fd_.get(), SIZE_MAX, 300ms)
                              : ReadUpTo(fd_.get(), answer.size(), 5000ms);
    }

  private:
    platform::UniqueFd fd_;
};

// What the simulator logs: "<milliseconds since start> <line>", the times never going back.
std::vector<std::string> LoggedLines(const ModemSimProcess& sim) {
    std::vector<std::string> texts;
    long previous_ms = 0;
    for (const std::string& record : sim.LogLines()) {
        const auto space = record.find(' ');
        EXPECT_TRUE(space != std::string::npos && space > 0 &&
                    record.find_first_not_of("0123456789") == space)
            << record;
        EXPECT_GE(std::atol(record.c_str()), previous_ms);
        previous_ms = std::atol(record.c_str());
        texts.push_back(record.substr(space + 1));
    }
    return texts;
}

// Each row: the simulator's arguments, then lines sent with the answer each gets (none for a line
// that is not a command) and how long the answer takes at least; each line is logged.
TEST(ModemSim, AnswersAtLinesAndDialCommandsInTurnAndLogsEachLine) {
    struct Exchange {
        std::string sent;
        std::string answer;
        std::chrono::milliseconds at_least = 0ms;
        bool new_line = false;  // the line is closed and opened again first
    };
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::vector<Exchange> exchanges;
    };
    const std::vector<Row> rows = {
        {"replies in turn, the last one kept",
         {"--replies", "BUSY,CONNECT 9600", "--dial-delay", "150"},
         {{"ATZ\r", "\r\nOK\r\n"},
          {"ATDT123\r", "\r\nBUSY\r\n", 150ms},
          {"ATDP9w9w123\r", "\r\nCONNECT 9600\r\n"},
          {"atdt5\r", "\r\nCONNECT 9600\r\n"},
          {"hello\r", ""}}},
        {"defaults to CONNECT 2400 after 300 ms", {}, {{"ATDT1\r", "\r\nCONNECT 2400\r\n", 300ms}}},
        {"echoes what it receives when asked", {"--echo"}, {{"AT\r", "AT\r\r\nOK\r\n"}}},
        {"names itself to ATI and ATI3",
         {},
         {{"ATI\r", "\r\n2400\r\n\r\nOK\r\n"},
          {"ATI3\r", "\r\nzvonmat-modemsim 2400\r\n\r\nOK\r\n"}}},
        {"a silent one answers nothing", {"--silent", "--echo"}, {{"AT\r", ""}, {"ATDT1\r", ""}}},
        {"the line can be closed and opened again",
         {},
         {{"AT\r", "\r\nOK\r\n"}, {"ATZ\r", "\r\nOK\r\n", 0ms, true}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ModemSimProcess sim(row.args);
        ASSERT_TRUE(sim.started());
        std::optional<Line> line;
        std::vector<std::string> commands;
        for (const Exchange& exchange : row.exchanges) {
            if (!line || exchange.new_line) {
                line.reset();
                line.emplace(sim.link());
            }
            const auto sent = Clock::now();
            line->Send(exchange.sent);
            EXPECT_EQ(line->Read(exchange.answer), exchange.answer);
            EXPECT_GE(Clock::now() - sent, exchange.at_least);
            commands.push_back(exchange.sent.substr(0, exchange.sent.size() - 1));
        }
        EXPECT_EQ(LoggedLines(sim), commands);
    }
}

// The log keeps every received byte: nothing is cut or dropped, and CR, LF, a backslash and
// bytes outside printable ASCII are escaped, so a test can tell from the log what was on the wire.
TEST(ModemSim, LogsEveryByteOfEachLineEscaped) {
    const std::string long_line = "AT" + std::string(3000, '7');
    const std::string longer_than_a_piece(65536 + 100, 'a');
    struct Row {
        const char* name;
        std::string sent;
        std::string answer;  // what the simulator answers, in full
        std::vector<std::string> logged;
    };
    const Row rows[] = {
        {"a line of 3002 bytes is logged whole", long_line + "\r", "\r\nOK\r\n", {long_line}},
        {"an LF after the CR opens the next record, and the modem reads past it",
         "ATZ\r\nATDT1\r",
         "\r\nOK\r\n\r\nCONNECT 2400\r\n",
         {"ATZ", "\\nATDT1"}},
        {"NUL, a high byte, a backslash and a tab",
         std::string("AT\0\xe9\\\tI\r", 8),
         "\r\nOK\r\n",
         {"AT\\x00\\xe9\\\\\\x09I"}},
        {"what came after the last CR is logged at the stop",
         "ATH\rAT\n",
         "\r\nOK\r\n",
         {"ATH", "AT\\n\\+"}},
        {"a line longer than a log piece goes on in the next record",
         longer_than_a_piece + "\rAT\r",
         "\r\nOK\r\n",
         {std::string(65536, 'a') + "\\+", std::string(100, 'a'), "AT"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ModemSimProcess sim({"--dial-delay", "0"});
        ASSERT_TRUE(sim.started());
        Line line(sim.link());
        line.Send(row.sent);
        EXPECT_EQ(line.Read(row.answer), row.answer);
        ASSERT_EQ(sim.Stop(SIGTERM), 0);
        EXPECT_EQ(LoggedLines(sim), row.logged);
    }
}

TEST(ModemSim, AStopSignalRemovesTheLink) {
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        ModemSimProcess sim;
        ASSERT_TRUE(sim.started());
        EXPECT_EQ(sim.Stop(signal), 0);
        struct stat st {};
        EXPECT_NE(::lstat(sim.link().c_str(), &st), 0);
    }
}

TEST(ModemSim, RejectsAWrongCommandLine) {
    EXPECT_EQ(ModemSimProcess::RunToEnd({}), 2);
    EXPECT_EQ(ModemSimProcess::RunToEnd({"--link"}), 2);
    EXPECT_EQ(ModemSimProcess::RunToEnd({"--link", "/tmp/x", "--dial-delay", "soon"}), 2);
    EXPECT_EQ(ModemSimProcess::RunToEnd({"--link", "/tmp/x", "--speed", "9600"}), 2);
}

// The component and the simulator together, as the dialler uses them.
using ModemSimWithComponent = CommFixture;

TEST_F(ModemSimWithComponent, TheComponentTalksToTheSimulator) {
    ModemSimProcess sim({"--replies", "NO DIALTONE", "--dial-delay", "50"});
    ASSERT_TRUE(sim.started());
    comm->DeviceResolver = [&](TCommPort) { return sim.link(); };
    ASSERT_TRUE(comm->OpenComm());
    ASSERT_TRUE(Send("ATZ\r"));
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 1; }));
    ASSERT_TRUE(Send("ATDP9w9w123\r"));
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 2; }));
    comm->CloseComm();

    EXPECT_EQ(recorder.chunks(), (std::vector<std::string>{"\r\nOK\r\n", "\r\nNO DIALTONE\r\n"}));
    // Stopped, the simulator logs whatever followed the last CR: nothing did.
    ASSERT_EQ(sim.Stop(SIGTERM), 0);
    EXPECT_EQ(LoggedLines(sim), (std::vector<std::string>{"ATZ", "ATDP9w9w123"}));
}

}  // namespace
