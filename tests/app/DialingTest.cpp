#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "support/ModemFixture.h"

namespace {

using namespace zvonmat_test;
using Field = MainWindowDriver::Field;

// The main window wired to the modem simulator on COM4, with a short waiting time so that a run
// of redials takes seconds.
class DialingTest : public ModemFormTest {
  protected:
    MainWindowDriver& startDialler(const char* replies, const QByteArray& params) {
        startModem({"--replies", replies, "--dial-delay", "50"});
        writeSettings(params);
        return start();
    }

    bool waitUntilSpent(int timeout_ms = 10000) {
        return QTest::qWaitFor([&] { return form_->dialRun().state() == DialRun::State::Spent; },
                               timeout_ms);
    }
};

TEST_F(DialingTest, TheFirstDialInitialisesTheModemAndLaterDialsOnlyDial) {
    MainWindowDriver& window = startDialler("CONNECT 2400", "wait=2\r\n");
    window.type_number("123");
    window.press_auto_dial();
    ASSERT_TRUE(waitForModemLines(2));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP123"}));
    const Lines log = modem_->LogLines();                   // "<milliseconds> <line>"
    EXPECT_GE(std::stol(log[1]) - std::stol(log[0]), 450);  // the 500 ms pause, less rounding
    EXPECT_TRUE(window.window().dialRun().port_open());
    EXPECT_EQ(window.quick_list().front(), "123");

    window.press_auto_dial();
    ASSERT_TRUE(waitForModemLines(3));
    QTest::qWait(300);
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP123", "ATDP123"}));
    EXPECT_TRUE(hooks.errors.isEmpty());

    // The exit button lets go of the port: nothing can be queued to it any more.
    window.press_exit();
    EXPECT_FALSE(window.shown());
    EXPECT_FALSE(window.port().WriteCommData("AT\r", 3));

    // Every line ended in a CR alone: the modem logs each received byte, and an LF would have
    // opened the next record ("\nATDP123") or have been logged at the stop ("\n\+").
    ASSERT_EQ(modem_->Stop(SIGTERM), 0);
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP123", "ATDP123"}));
}

TEST_F(DialingTest, TheDialLineJoinsCommandPrefixAndNumber) {
    MainWindowDriver& window =
        startDialler("CONNECT 2400", "ton_p=ATDT\r\npref_=9\r\ninit=AT&F\r\n");
    window.type_number("123");
    window.press_auto_dial();
    ASSERT_TRUE(waitForModemLines(2));
    EXPECT_EQ(modemLines(), (Lines{"AT&F", "ATDT9123"}));
}

// The modem's reply reaches the run through the real component, and the countdown's timer drives
// the redials until the run is spent; what counts when is the engine's, tested on its own.
TEST_F(DialingTest, ABusyNumberIsRedialledUntilTheAttemptsAreSpent) {
    MainWindowDriver& window = startDialler("BUSY", "wait=1\r\nn_run=2\r\n");
    window.type_number("555");
    window.press_auto_dial();
    EXPECT_EQ(window.attempts(), "2/0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.countdown_ticking(); }, 5000));
    window.type_number("556");  // a redial dials whatever the field holds then
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.attempts() == "2/1"; }, 5000));
    EXPECT_EQ(window.caption(), "Время ожидан.");
    ASSERT_TRUE(waitUntilSpent(5000));
    EXPECT_EQ(window.attempts(), "2/2");
    EXPECT_FALSE(window.countdown_ticking());
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP555", "ATDP556"}));
    EXPECT_EQ(window.quick_list().size(), 1);  // redials leave the list alone
}

// Enter in either entry field dials as «Автодозвон» does. Taskbars follow the run in the window's
// title, and the desktop is told once per run when the attempts are used up.
TEST_F(DialingTest, EnterDialsAndTheTitleAndTheDesktopFollowTheRun) {
    MainWindowDriver& window = startDialler("BUSY", "wait=1\r\nn_run=2\r\n");
    EXPECT_EQ(window.title(), "zvonmat");
    QStringList titles;
    QObject::connect(&window.window(), &QWidget::windowTitleChanged,
                     [&](const QString& title) { titles.append(title); });
    window.type_number("555");
    window.key_click(Field::Number, Qt::Key_Return);
    ASSERT_TRUE(waitForModemLines(2));
    EXPECT_EQ(window.quick_list().front(), "555");
    ASSERT_TRUE(waitUntilSpent());
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP555", "ATDP555"}));
    EXPECT_EQ(titles,
              (QStringList{"555 — ожидание 00:01, попытка 1/2", "zvonmat",
                           "555 — ожидание 00:01, попытка 2/2", "555 — попытки исчерпаны"}));
    EXPECT_EQ(hooks.notifications, QStringList{"555 — попытки исчерпаны"});

    // A new run from the subscriber field, spent again: told again.
    window.key_click(Field::Subscriber, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(window.title(), "zvonmat");
    ASSERT_TRUE(waitForModemLines(4));
    ASSERT_TRUE(waitUntilSpent());
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP555", "ATDP555", "ATDP555", "ATDP555"}));
    EXPECT_EQ(hooks.notifications.size(), 2);
    EXPECT_TRUE(hooks.errors.isEmpty());
}

TEST_F(DialingTest, TheResetButtonSendsTheInitLineOnlyWhileThePortIsOpen) {
    MainWindowDriver& window = startDialler("BUSY", "wait=20\r\n");
    window.press_reset();

    window.type_number("1");
    window.press_auto_dial();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.countdown_ticking(); }, 5000));
    window.press_reset();
    EXPECT_FALSE(window.countdown_ticking());
    EXPECT_EQ(window.clock(), "00:00");
    EXPECT_EQ(window.caption(), "Время разгов.");
    ASSERT_TRUE(waitForModemLines(3));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP1", "ATZ"}));
}

// A port that cannot be opened (its device is missing, or another program holds it) is reported
// and left closed; the next dial tries again.
TEST_F(DialingTest, APortThatCannotBeOpenedIsReportedAndTriedAgainAtTheNextDial) {
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held ? "held by another program" : "missing");
        MainWindowDriver& window = startDialler("CONNECT 2400", "");
        hooks.errors.clear();
        serial::TZRTComm32 other;  // another program's hold on the same device
        other.DeviceResolver = [link = modem_->link()](serial::TCommPort) { return link; };
        if (held) {
            ASSERT_TRUE(other.OpenComm());
        } else {
            window.route_port_to("/nonexistent/modem");
        }
        window.type_number("42");
        window.press_auto_dial();
        const std::string why =
            held ? modem_->link() + "): already in use"
                 : "/nonexistent/modem): No such file or directory — zvonmat-modem";
        EXPECT_EQ(hooks.errors,
                  QStringList{QString::fromStdString("Error opening com port\nCOM4 (" + why)});
        EXPECT_FALSE(window.window().dialRun().port_open());
        EXPECT_EQ(window.attempts(), "5/0");  // the reset came before the failure

        other.CloseComm();
        window.route_port_to(modem_->link());
        window.press_auto_dial();
        ASSERT_TRUE(waitForModemLines(2));
        EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP42"}));
        EXPECT_EQ(hooks.errors.size(), 1);
    }
}

// The title and the desktop say it at once; the redial reports why the port cannot be opened.
TEST_F(DialingTest, AModemThatVanishesDuringACountdownIsToldAtOnceAndReportedAtTheRedial) {
    MainWindowDriver& window = startDialler("BUSY", "wait=2\r\nn_run=3\r\n");
    window.type_number("5");
    window.press_auto_dial();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.countdown_ticking(); }, 5000));
    modem_->Stop(SIGKILL);  // unplugged: the device goes, and with it its name
    ::unlink(modem_->link().c_str());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.window().dialRun().port_open(); }, 5000));
    EXPECT_EQ(hooks.notifications, QStringList{"5 — модем отключён"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !hooks.errors.isEmpty(); }, 5000));
    EXPECT_EQ(hooks.errors.front(),
              QString::fromStdString("Error opening com port\nCOM4 (" + modem_->link() +
                                     "): No such file or directory — zvonmat-modem"));
    EXPECT_EQ(window.attempts(), "3/1");
    EXPECT_EQ(window.title(), "5 — модем отключён");

    // The program goes on: a modem plugged in again is dialled at the next auto-dial.
    startModem({"--replies", "CONNECT 2400", "--dial-delay", "50"});
    window.route_port_to(modem_->link());
    window.press_auto_dial();
    ASSERT_TRUE(waitForModemLines(2));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP5"}));
}

}  // namespace
