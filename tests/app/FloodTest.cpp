#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include "serial/ZRTComm32.h"
#include "serial/internal/ReadThread.h"
#include "support/FormFixture.h"
#include "support/Pty.h"

namespace {

using namespace zvonmat_test;
using namespace std::chrono_literals;

// The main window's port on a pseudo-terminal whose far end the test writes as the modem; the
// bytes that reach the window, and how many had come when the port reported a failure, are
// counted on the way.
class FloodTest : public FormTest {
  protected:
    MainWindowDriver& startOnTerminal() {
        MainWindowDriver& window = start();
        window.route_port_to(pty.slave_path());
        serial::TZRTComm32& port = window.port();
        port.OnReceiveData = [this, handle = port.OnReceiveData](const void* buffer,
                                                                 std::uint16_t length) {
            received += length;
            handle(buffer, length);
        };
        port.OnRequestHangup = [this, handle = port.OnRequestHangup](serial::TZRTComm32* sender) {
            received_at_hangup = received;
            handle(sender);
        };
        return window;
    }

    Pty pty;
    std::size_t received = 0;
    std::size_t received_at_hangup = 0;
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
    }
    return 0;
}

// 10 MB of noise from the modem: NULs, "BU" and "SY" halves split across chunk boundaries, but no
// whole reply. The window keeps handling its events, memory stays flat, no countdown starts.
TEST_F(FloodTest, AFloodOfNoiseFromTheModemIsHarmless) {
    MainWindowDriver& window = startOnTerminal();
    ASSERT_TRUE(window.port().OpenComm());
    window.window().ishodnoe();

    std::string noise(10 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : noise) {
        c = static_cast<char>(random() % 256);
        if (c == 'B' || c == 'N') {
            c = '\0';  // no whole reply can form by chance
        }
    }
    for (std::size_t end = 2048; end + 2 < noise.size(); end += 2048 * 7) {
        noise.replace(end - 2, 4, "BUSY");  // halves on both sides of a chunk boundary
    }

    const long before = residentKiB();
    std::atomic<bool> done{false};
    std::thread modem([&] {
        pty.Write(noise, 120s);
        done = true;
    });

    QElapsedTimer since_tick;
    since_tick.start();
    qint64 longest_gap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longest_gap = std::max(longest_gap, since_tick.restart()); });
    ticker.start(50);
    const bool finished = QTest::qWaitFor([&] { return done.load(); }, 120000);
    modem.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return received >= noise.size(); }, 10000));

    EXPECT_TRUE(finished);
    EXPECT_EQ(received, noise.size());
    EXPECT_LT(longest_gap, 1000) << "the window went unanswered for " << longest_gap << " ms";
    EXPECT_FALSE(window.countdown_ticking());
    EXPECT_EQ(window.window().dialRun().elapsed_seconds(), 0);
    EXPECT_LT(residentKiB() - before, 64 * 1024);
    window.port().CloseComm();
}

// The modem floods while the window does not take its events: the port's notification queue
// fills up and its reader ends. The window still hears of the failure after the data, lets the
// port go, and the next dial opens it again, where a busy reply starts the countdown.
TEST_F(FloodTest, AFloodThatFillsTheQueueLetsThePortGoAndTheNextDialReopensIt) {
    MainWindowDriver& window = startOnTerminal();
    serial::TZRTComm32& port = window.port();
    constexpr std::size_t kCapacity = 16;
    port.SetNotifyCapacity(kCapacity);
    const std::string dialled = "ATZ\rATDP42\r";
    auto dial = [&] {
        window.press_auto_dial();
        return pty.Read(dialled.size());
    };

    window.type_number("42");
    EXPECT_EQ(dial(), dialled);
    ASSERT_TRUE(window.window().dialRun().port_open());

    // One chunk more than the queue holds, while the window sleeps as in the dial's pauses.
    pty.Write(std::string((kCapacity + 1) * serial::TReadThread::kBufferSize, 'x'));
    QElapsedTimer since;
    since.start();
    while (!port.LinkFailed() && since.elapsed() < 5000) {
        QThread::msleep(5);
    }
    ASSERT_TRUE(port.LinkFailed());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.window().dialRun().port_open(); }, 5000));
    EXPECT_EQ(received_at_hangup, kCapacity * serial::TReadThread::kBufferSize);
    EXPECT_FALSE(port.LinkFailed());

    EXPECT_EQ(dial(), dialled);
    EXPECT_TRUE(window.window().dialRun().port_open());
    pty.Write("\r\nBUSY\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.countdown_ticking(); }, 5000));
    EXPECT_TRUE(hooks.errors.isEmpty());
    port.CloseComm();
}

}  // namespace
