#include <gtest/gtest.h>

#include <unistd.h>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>
#include <string>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "support/ModemSimProcess.h"

namespace {

using namespace zvonmat_test;

struct LogLine {
    long millis = 0;
    std::string text;
};

// The main window wired to the modem simulator on COM4, with a short waiting time so that a run
// of redials takes seconds.
class DialingTest : public FormTest {
  protected:
    void startModem(const std::string& replies) {
        modem_ = std::make_unique<ModemSimProcess>(
            std::vector<std::string>{"--replies", replies, "--dial-delay", "50"});
        ASSERT_TRUE(modem_->started());
        writeFile(storePath(), QByteArray("[ports]\r\nCOM4=") +
                                   QByteArray::fromStdString(modem_->link()) + "\r\n");
    }

    TForm1& startDialler(const QByteArray& params) {
        writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\n" + params);
        return createShown();
    }

    std::vector<LogLine> modemLog() const {
        std::vector<LogLine> lines;
        for (const std::string& line : modem_->LogLines()) {
            const auto space = line.find(' ');
            lines.push_back({std::stol(line.substr(0, space)), line.substr(space + 1)});
        }
        return lines;
    }

    std::vector<std::string> modemLines() const {
        std::vector<std::string> texts;
        for (const LogLine& line : modemLog()) {
            texts.push_back(line.text);
        }
        return texts;
    }

    // Waits until the modem has received `count` lines in all.
    bool waitForLines(std::size_t count, int timeout_ms = 10000) {
        return QTest::qWaitFor([&] { return modem_->LogLines().size() >= count; }, timeout_ms);
    }

    void clickAutoDial() { QTest::mouseClick(form_->GradButton1, Qt::LeftButton, {}, {40, 12}); }

    std::unique_ptr<ModemSimProcess> modem_;
};

using Lines = std::vector<std::string>;

TEST_F(DialingTest, TheFirstDialInitialisesTheModemAndLaterDialsOnlyDial) {
    startModem("CONNECT 2400");
    TForm1& form = startDialler("wait=2\r\n");
    form.Comboedit2->setText("123");
    clickAutoDial();
    ASSERT_TRUE(waitForLines(2));
    std::vector<LogLine> log = modemLog();
    EXPECT_EQ(log[0].text, "ATZ");
    EXPECT_EQ(log[1].text, "ATDP123");
    EXPECT_GE(log[1].millis - log[0].millis, 450);  // the 500 ms pause, less the log's rounding
    EXPECT_TRUE(form.dialRun().port_open());
    EXPECT_EQ(form.ListBox1->item(0)->text(), "123");

    clickAutoDial();
    ASSERT_TRUE(waitForLines(3));
    QTest::qWait(300);
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP123", "ATDP123"}));
    EXPECT_TRUE(errors_.isEmpty());

    // The exit button lets go of the port: nothing can be queued to it any more.
    QTest::mouseClick(form.GradButton3, Qt::LeftButton, {}, {40, 12});
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Comm321->WriteCommData("AT\r", 3));

    // Every line ended in a CR alone: the modem logs each received byte, and an LF would have
    // opened the next record ("\nATDP123") or have been logged at the stop ("\n\+").
    ASSERT_EQ(modem_->Stop(SIGTERM), 0);
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP123", "ATDP123"}));
}

TEST_F(DialingTest, TheDialLineJoinsCommandPrefixAndNumber) {
    startModem("CONNECT 2400");
    TForm1& form = startDialler("ton_p=ATDT\r\npref_=9\r\ninit=AT&F\r\n");
    form.Comboedit2->setText("123");
    clickAutoDial();
    ASSERT_TRUE(waitForLines(2));
    EXPECT_EQ(modemLines(), (Lines{"AT&F", "ATDT9123"}));
}

// The modem's reply reaches the run through the real component, and the countdown's timer drives
// the redials until the run is spent; what counts when is the engine's, tested on its own.
TEST_F(DialingTest, ABusyNumberIsRedialledUntilTheAttemptsAreSpent) {
    startModem("BUSY");
    TForm1& form = startDialler("wait=1\r\nn_run=2\r\n");
    form.Comboedit2->setText("555");
    clickAutoDial();
    EXPECT_EQ(form.Label5->text(), "2/0");
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Timer1->isActive(); }, 5000));
    form.Comboedit2->setText("556");  // a redial dials whatever the field holds then
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Label5->text() == "2/1"; }, 5000));
    EXPECT_EQ(form.Label3->text(), "Время ожидан.");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.dialRun().state() == DialRun::State::Spent; }, 5000));
    EXPECT_EQ(form.Label5->text(), "2/2");
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP555", "ATDP556"}));
    EXPECT_EQ(form.ListBox1->count(), 1);  // redials leave the list alone
}

// Enter in either entry field dials as «Автодозвон» does. Taskbars follow the run in the window's
// title, and the desktop is told once per run when the attempts are used up.
TEST_F(DialingTest, EnterDialsAndTheTitleAndTheDesktopFollowTheRun) {
    startModem("BUSY");
    TForm1& form = startDialler("wait=1\r\nn_run=2\r\n");
    EXPECT_EQ(form.windowTitle(), "zvonmat");
    QStringList titles;
    QObject::connect(&form, &QWidget::windowTitleChanged,
                     [&](const QString& title) { titles.append(title); });
    form.Comboedit2->setText("555");
    QTest::keyClick(form.Comboedit2, Qt::Key_Return);
    ASSERT_TRUE(waitForLines(2));
    EXPECT_EQ(form.ListBox1->item(0)->text(), "555");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.dialRun().state() == DialRun::State::Spent; }, 10000));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP555", "ATDP555"}));
    EXPECT_EQ(titles,
              (QStringList{"555 — ожидание 00:01, попытка 1/2", "zvonmat",
                           "555 — ожидание 00:01, попытка 2/2", "555 — попытки исчерпаны"}));
    EXPECT_EQ(notifications_, QStringList{"555 — попытки исчерпаны"});

    // A new run from the subscriber field, spent again: told again.
    form.ComboEdit1->setFocus();
    QTest::keyClick(form.ComboEdit1, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(form.windowTitle(), "zvonmat");
    ASSERT_TRUE(waitForLines(4));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form.dialRun().state() == DialRun::State::Spent; }, 10000));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP555", "ATDP555", "ATDP555", "ATDP555"}));
    EXPECT_EQ(notifications_.size(), 2);
    EXPECT_TRUE(errors_.isEmpty());
}

TEST_F(DialingTest, TheResetButtonSendsTheInitLineOnlyWhileThePortIsOpen) {
    startModem("BUSY");
    TForm1& form = startDialler("wait=20\r\n");
    QTest::mouseClick(form.GradButtonCopy2, Qt::LeftButton, {}, {20, 12});

    form.Comboedit2->setText("1");
    clickAutoDial();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Timer1->isActive(); }, 5000));
    QTest::mouseClick(form.GradButtonCopy2, Qt::LeftButton, {}, {20, 12});
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Label1->text(), "00:00");
    EXPECT_EQ(form.Label3->text(), "Время разгов.");
    ASSERT_TRUE(waitForLines(3));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP1", "ATZ"}));
}

TEST_F(DialingTest, APortThatCannotBeOpenedIsReportedAndTriedAgainAtTheNextDial) {
    startModem("CONNECT 2400");
    writeFile(storePath(), "[ports]\r\nCOM4=/nonexistent/modem\r\n");
    TForm1& form = startDialler("");
    form.Comboedit2->setText("42");
    clickAutoDial();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_.front(),
              "Error opening com port\nCOM4 (/nonexistent/modem): No such file or directory");
    EXPECT_FALSE(form.dialRun().port_open());
    EXPECT_EQ(form.Label5->text(), "5/0");  // the reset came before the failure

    const std::string link = modem_->link();
    form.Comm321->DeviceResolver = [link](serial::TCommPort) { return link; };
    clickAutoDial();
    ASSERT_TRUE(waitForLines(2));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP42"}));
    EXPECT_EQ(errors_.size(), 1);
}

TEST_F(DialingTest, APortHeldByAnotherProgramIsReportedAsNotOpened) {
    startModem("CONNECT 2400");
    TForm1& form = startDialler("");
    serial::TZRTComm32 other;  // another program's hold on the same device
    const std::string link = modem_->link();
    other.DeviceResolver = [link](serial::TCommPort) { return link; };
    ASSERT_TRUE(other.OpenComm());
    form.Comboedit2->setText("42");
    clickAutoDial();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_.front(), QString::fromStdString("Error opening com port\nCOM4 (" +
                                                      modem_->link() + "): already in use"));
    EXPECT_FALSE(form.dialRun().port_open());

    other.CloseComm();
    clickAutoDial();
    ASSERT_TRUE(waitForLines(2));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP42"}));
}

TEST_F(DialingTest, AModemThatVanishesDuringACountdownIsReportedAtTheRedial) {
    startModem("BUSY");
    TForm1& form = startDialler("wait=2\r\nn_run=3\r\n");
    form.Comboedit2->setText("5");
    clickAutoDial();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Timer1->isActive(); }, 5000));
    modem_->Stop(SIGKILL);  // unplugged: the device goes, and with it its name
    ::unlink(modem_->link().c_str());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.dialRun().port_open(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errors_.isEmpty(); }, 5000));
    EXPECT_EQ(errors_.front(),
              QString::fromStdString("Error opening com port\nCOM4 (" + modem_->link() +
                                     "): No such file or directory"));
    EXPECT_EQ(form.Label5->text(), "3/1");

    // The program goes on: a modem plugged in again is dialled at the next auto-dial.
    startModem("CONNECT 2400");
    const std::string link = modem_->link();
    form.Comm321->DeviceResolver = [link](serial::TCommPort) { return link; };
    clickAutoDial();
    ASSERT_TRUE(waitForLines(2));
    EXPECT_EQ(modemLines(), (Lines{"ATZ", "ATDP5"}));
}

}  // namespace
