#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <random>
#include <thread>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "serial/internal/ReadThread.h"

namespace {

using namespace zvonmat_test;

// The far end of the window's port: the test writes as the modem on `master`, and `held` keeps the
// terminal alive while the window closes and reopens its port. Both are closed with it.
struct ModemTerminal {
    ModemTerminal() : master(posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
            slave = ptsname(master);
            held = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        }
    }
    ~ModemTerminal() {
        ::close(held);
        ::close(master);
    }
    ModemTerminal(const ModemTerminal&) = delete;
    ModemTerminal& operator=(const ModemTerminal&) = delete;

    int master;
    std::string slave;
    int held = -1;
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
TEST_F(FormTest, AFloodOfNoiseFromTheModemIsHarmless) {
    const ModemTerminal terminal;
    ASSERT_GE(terminal.held, 0);
    const int master = terminal.master;
    const std::string& slave = terminal.slave;

    TForm1& form = createShown();
    form.Comm321->DeviceResolver = [slave](serial::TCommPort) { return slave; };
    ASSERT_TRUE(form.Comm321->OpenComm());
    form.ishodnoe();
    std::size_t received = 0;
    auto handle = form.Comm321->OnReceiveData;
    form.Comm321->OnReceiveData = [&](const void* buffer, std::uint16_t length) {
        received += length;
        handle(buffer, length);
    };

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
        std::size_t sent = 0;
        while (sent < noise.size()) {
            const ssize_t n = ::write(master, noise.data() + sent, noise.size() - sent);
            if (n > 0) {
                sent += std::size_t(n);
            }
        }
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
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.dialRun().elapsed_seconds(), 0);
    EXPECT_LT(residentKiB() - before, 64 * 1024);
    form.Comm321->CloseComm();
}

// What the far end of `master` receives until `text` has come, or 5 s have passed.
std::string readUntil(int master, const std::string& text) {
    std::string got;
    QElapsedTimer since;
    since.start();
    while (got.find(text) == std::string::npos && since.elapsed() < 5000) {
        pollfd p{master, POLLIN, 0};
        char buffer[256];
        if (::poll(&p, 1, 100) == 1) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, std::size_t(n));
            }
        }
    }
    return got;
}

// The modem floods while the window does not take its events: the port's notification queue
// fills up and its reader ends. The window still hears of the failure after the data, lets the
// port go, and the next dial opens it again, where a busy reply starts the countdown.
TEST_F(FormTest, AFloodThatFillsTheQueueLetsThePortGoAndTheNextDialReopensIt) {
    const ModemTerminal terminal;
    ASSERT_GE(terminal.held, 0);
    const int master = terminal.master;
    const std::string& slave = terminal.slave;

    TForm1& form = createShown();
    serial::TZRTComm32& comm = *form.Comm321;
    comm.DeviceResolver = [slave](serial::TCommPort) { return slave; };
    constexpr std::size_t kCapacity = 16;
    comm.SetNotifyCapacity(kCapacity);
    std::size_t received = 0;
    std::size_t received_at_hangup = 0;
    auto handle_data = comm.OnReceiveData;
    comm.OnReceiveData = [&](const void* buffer, std::uint16_t length) {
        received += length;
        handle_data(buffer, length);
    };
    auto handle_hangup = comm.OnRequestHangup;
    comm.OnRequestHangup = [&](serial::TZRTComm32* sender) {
        received_at_hangup = received;
        handle_hangup(sender);
    };
    auto dial = [&] {
        QTest::mouseClick(form.GradButton1, Qt::LeftButton, {}, {40, 12});
        return readUntil(master, "ATDP42\r");
    };

    form.Comboedit2->setText("42");
    EXPECT_EQ(dial(), "ATZ\rATDP42\r");
    ASSERT_TRUE(form.dialRun().port_open());

    // One chunk more than the queue holds, while the window sleeps as in the dial's pauses.
    const std::string flood((kCapacity + 1) * serial::TReadThread::kBufferSize, 'x');
    for (std::size_t sent = 0; sent < flood.size();) {
        const ssize_t n = ::write(master, flood.data() + sent, flood.size() - sent);
        ASSERT_GT(n, 0);
        sent += std::size_t(n);
    }
    QElapsedTimer since;
    since.start();
    while (!comm.LinkFailed() && since.elapsed() < 5000) {
        QThread::msleep(5);
    }
    ASSERT_TRUE(comm.LinkFailed());

    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.dialRun().port_open(); }, 5000));
    EXPECT_EQ(received_at_hangup, kCapacity * serial::TReadThread::kBufferSize);
    EXPECT_FALSE(comm.LinkFailed());

    EXPECT_EQ(dial(), "ATZ\rATDP42\r");
    EXPECT_TRUE(form.dialRun().port_open());
    ASSERT_EQ(::write(master, "\r\nBUSY\r\n", 8), 8);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Timer1->isActive(); }, 5000));
    EXPECT_TRUE(errors_.isEmpty());
    comm.CloseComm();
}

}  // namespace
