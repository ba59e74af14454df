#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/UniqueFd.h"
#include "serial/ZRTComm32.h"
#include "serial/support/CommRecorder.h"
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

    // Sends all of `text`, waiting for room in the terminal when it is more than the terminal
    // holds.
    void Send(std::string_view text) {
        const auto deadline = Clock::now() + 5000ms;
        while (!text.empty() && Clock::now() < deadline) {
            const ssize_t n = ::write(fd_.get(), text.data(), text.size());
            if (n > 0) {
                text.remove_prefix(static_cast<std::size_t>(n));
            } else {
                pollfd p{fd_.get(), POLLOUT, 0};
                ::poll(&p, 1, 10);
            }
        }
        EXPECT_TRUE(text.empty()) << text.size() << " bytes not sent";
    }

    // Reads until `expected` has come (then returns exactly what came) or `limit` passes.
    std::string ReadUntil(std::string_view expected, std::chrono::milliseconds limit = 5000ms) {
        std::string got;
        const auto deadline = Clock::now() + limit;
        while (got.find(expected) == std::string::npos && Clock::now() < deadline) {
            pollfd p{fd_.get(), POLLIN, 0};
            ::poll(&p, 1, 10);
            char buffer[256];
            const ssize_t n = ::read(fd_.get(), buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return got;
    }

  private:
    platform::UniqueFd fd_;
};

TEST(ModemSim, AnswersAtLinesAndDialCommandsInTurnAndLogsEachLine) {
    ModemSimProcess sim({"--replies", "BUSY,CONNECT 9600", "--dial-delay", "150"});
    ASSERT_TRUE(sim.started());
    Line line(sim.link());

    line.Send("ATZ\r");
    EXPECT_EQ(line.ReadUntil("\r\nOK\r\n"), "\r\nOK\r\n");

    const auto dialled = Clock::now();
    line.Send("ATDT123\r");
    EXPECT_EQ(line.ReadUntil("\r\nBUSY\r\n"), "\r\nBUSY\r\n");
    EXPECT_GE(Clock::now() - dialled, 150ms);

    line.Send("ATDP9w9w123\r");
    EXPECT_EQ(line.ReadUntil("\r\n"), "\r\nCONNECT 9600\r\n");
    line.Send("atdt5\r");
    EXPECT_EQ(line.ReadUntil("\r\n"), "\r\nCONNECT 9600\r\n");

    // A line that is not a command is logged but not answered.
    line.Send("hello\r");
    EXPECT_EQ(line.ReadUntil("never", 300ms), "");

    const std::vector<std::string> logged = sim.LogLines();
    const std::vector<std::string> commands = {"ATZ", "ATDT123", "ATDP9w9w123", "atdt5", "hello"};
    ASSERT_EQ(logged.size(), commands.size());
    long previous_ms = 0;
    for (std::size_t i = 0; i < logged.size(); ++i) {
        // "<milliseconds since start> <line>"
        const auto space = logged[i].find(' ');
        ASSERT_NE(space, std::string::npos) << logged[i];
        const std::string ms = logged[i].substr(0, space);
        ASSERT_FALSE(ms.empty());
        ASSERT_EQ(ms.find_first_not_of("0123456789"), std::string::npos) << logged[i];
        EXPECT_EQ(logged[i].substr(space + 1), commands[i]);
        EXPECT_GE(std::stol(ms), previous_ms);
        previous_ms = std::stol(ms);
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
        EXPECT_EQ(line.ReadUntil(row.answer), row.answer);
        ASSERT_EQ(sim.Stop(SIGTERM), 0);
        std::vector<std::string> logged;
        for (const std::string& record : sim.LogLines()) {
            logged.push_back(record.substr(record.find(' ') + 1));
        }
        EXPECT_EQ(logged, row.logged);
    }
}

TEST(ModemSim, DefaultsToConnect2400After300ms) {
    ModemSimProcess sim;
    ASSERT_TRUE(sim.started());
    Line line(sim.link());
    const auto dialled = Clock::now();
    line.Send("ATDT1\r");
    EXPECT_EQ(line.ReadUntil("2400\r\n"), "\r\nCONNECT 2400\r\n");
    EXPECT_GE(Clock::now() - dialled, 300ms);
}

TEST(ModemSim, EchoesWhatItReceivesWhenAsked) {
    ModemSimProcess sim({"--echo"});
    ASSERT_TRUE(sim.started());
    Line line(sim.link());
    line.Send("AT\r");
    EXPECT_EQ(line.ReadUntil("OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST(ModemSim, TheLineCanBeClosedAndOpenedAgain) {
    ModemSimProcess sim;
    ASSERT_TRUE(sim.started());
    {
        Line line(sim.link());
        line.Send("AT\r");
        EXPECT_EQ(line.ReadUntil("OK\r\n"), "\r\nOK\r\n");
    }
    Line again(sim.link());
    again.Send("ATZ\r");
    EXPECT_EQ(again.ReadUntil("OK\r\n"), "\r\nOK\r\n");
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
TEST(ModemSim, TheComponentTalksToTheSimulator) {
    ModemSimProcess sim({"--replies", "NO DIALTONE", "--dial-delay", "50"});
    ASSERT_TRUE(sim.started());
    TZRTComm32 comm;
    CommRecorder recorder(comm);
    comm.DeviceResolver = [&](TCommPort) { return sim.link(); };
    comm.CommPort = TCommPort::Com4;
    comm.BaudRate = TBaudRate::___2400;
    comm.DataBits = TDataBits::_8;
    ASSERT_TRUE(comm.OpenComm());

    const std::string init = "ATZ\r";
    ASSERT_TRUE(comm.WriteCommData(init.data(), static_cast<std::uint16_t>(init.size())));
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 1; }));
    const std::string dial = "ATDP9w9w123\r";
    ASSERT_TRUE(comm.WriteCommData(dial.data(), static_cast<std::uint16_t>(dial.size())));
    ASSERT_TRUE(WaitUntil([&] { return recorder.data_count() == 2; }));
    comm.CloseComm();

    EXPECT_EQ(recorder.events[0].bytes, "\r\nOK\r\n");
    EXPECT_EQ(recorder.events[1].bytes, "\r\nNO DIALTONE\r\n");
    // Stopped, the simulator logs whatever followed the last CR: nothing did.
    ASSERT_EQ(sim.Stop(SIGTERM), 0);
    const auto logged = sim.LogLines();
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_TRUE(logged[0].ends_with(" ATZ"));
    EXPECT_TRUE(logged[1].ends_with(" ATDP9w9w123"));
}

}  // namespace
