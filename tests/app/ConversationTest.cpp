#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "dialing/DialRules.h"
#include "dialing/Journal.h"
#include "dialing/TForm4.h"
#include "platform/Cp1251.h"
#include "support/ModemSimProcess.h"

namespace {

using namespace zvonmat_test;

// A conversation on the real main window, with the modem simulator on COM4.
class ConversationTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        modem_ = std::make_unique<ModemSimProcess>(
            std::vector<std::string>{"--replies", "BUSY,CONNECT 2400", "--dial-delay", "50"});
        ASSERT_TRUE(modem_->started());
        writeFile(storePath(), QByteArray("[ports]\r\nCOM4=") +
                                   QByteArray::fromStdString(modem_->link()) + "\r\n");
        writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nwait=1\r\nn_run=3\r\n");
    }

    // Presses "Разговор" and, `after_ms` later, whatever `while_shown` checks and then the
    // prompt's button. Returns when the conversation is over.
    void converse(int after_ms, const std::function<void(TForm4&)>& while_shown = {}) {
        QTimer::singleShot(after_ms, [this, while_shown] {
            auto* prompt = qobject_cast<TForm4*>(QApplication::activeModalWidget());
            ASSERT_NE(prompt, nullptr);
            if (while_shown) {
                while_shown(*prompt);
            }
            clicked_at_ = form_->Label1->text();
            QTest::mouseClick(prompt->GradButton1, Qt::LeftButton, {}, {20, 20});
        });
        QTest::mouseClick(form_->GradButton2, Qt::LeftButton, {}, {40, 12});
    }

    QByteArray journal(const char* name = "zvonmat.jur") const {
        QFile file(work_.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::size_t modemLineCount() const { return modem_->LogLines().size(); }

    std::unique_ptr<ModemSimProcess> modem_;
    QString clicked_at_;
};

TEST_F(ConversationTest, ABusyRedialledCallIsTimedAndJournalledOnce) {
    TForm1& form = createShown();
    form.Comboedit2->setText("123");
    form.ComboEdit1->setText("Иванов");
    QTest::mouseClick(form.GradButton1, Qt::LeftButton, {}, {40, 12});
    // BUSY, a second of waiting, the redial, CONNECT.
    ASSERT_TRUE(QTest::qWaitFor([&] { return modemLineCount() >= 3; }, 10000));
    QTest::qWait(400);
    EXPECT_FALSE(form.Timer1->isActive());

    const std::time_t end = 1796688000;  // any fixed moment
    bool prompt_was_closed = false;
    form.now = [&] {
        prompt_was_closed = QApplication::activeModalWidget() == nullptr;
        return end;
    };
    converse(2600, [&](TForm4& prompt) {
        EXPECT_EQ(prompt.geometry(), QRect(form.pos() + QPoint(24, 215), QSize(201, 53)));
        EXPECT_TRUE(prompt.windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(prompt.StaticText1->text(), "По окончании разговора нажми кнопку");
        EXPECT_TRUE(form.Timer2->isActive());
        EXPECT_EQ(form.Label3->text(), "Время разгов.");
        EXPECT_EQ(form.windowTitle(), "123 — разговор " + form.Label1->text());
    });
    EXPECT_EQ(form.windowTitle(), "zvonmat");
    EXPECT_TRUE(prompt_was_closed);
    EXPECT_FALSE(form.Timer2->isActive());
    EXPECT_EQ(form.Label1->text(), clicked_at_);
    EXPECT_GE(form.dialRun().elapsed_seconds(), 2);

    const std::string expected =
        short_date_text(end) + "\x20\xCD\xEE\xEC\xE5\xF0\x3A\x20" + "123" +
        "\x20\xC0\xE1\xEE\xED\xE5\xED\xF2\x3A\x20" + platform::toCp1251(QStringLiteral("Иванов")) +
        "\x20\xC2\xF0\xE5\xEC\xFF\x20" + long_time_text(end) + "\x20\xC4\xEB\xE8\xF2\x2E\x3A\x20" +
        platform::toCp1251(clicked_at_) + "\r\n";
    EXPECT_EQ(journal().toStdString(), expected);

    // The port was let go with nothing sent; the next dial opens it and initialises the modem.
    const std::size_t before = modemLineCount();
    EXPECT_EQ(before, 3u);
    EXPECT_FALSE(form.dialRun().port_open());
    QTest::mouseClick(form.GradButton1, Qt::LeftButton, {}, {40, 12});
    ASSERT_TRUE(QTest::qWaitFor([&] { return modemLineCount() >= before + 2; }, 5000));
    EXPECT_EQ(modem_->LogLines()[before].substr(modem_->LogLines()[before].find(' ') + 1), "ATZ");
}

TEST_F(ConversationTest, TheConversationButtonEndsACountdownForGood) {
    writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nwait=30\r\nn_run=3\r\n");
    TForm1& form = createShown();
    form.Comboedit2->setText("9");
    QTest::mouseClick(form.GradButton1, Qt::LeftButton, {}, {40, 12});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.Timer1->isActive(); }, 5000));
    form.move(form.pos() + QPoint(37, -11));  // dragged: the prompt follows the window

    converse(300, [&](TForm4& prompt) {
        EXPECT_EQ(prompt.pos(), form.pos() + QPoint(24, 215));
        EXPECT_FALSE(form.Timer1->isActive());
        EXPECT_EQ(form.Label5->text(), "3/0");
    });
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(form.Label5->text(), "3/0");
    EXPECT_EQ(form.Label1->text(), "00:00");  // ended before the clock's first tick
    EXPECT_EQ(modemLineCount(), 2u);
    EXPECT_TRUE(
        journal().endsWith(" \xC4\xEB\xE8\xF2\x2E\x3A\x20"
                           "00:00\r\n"));
}

TEST_F(ConversationTest, JournalsAreAppendedPerUserAndAFailedWriteStillStopsTheClock) {
    writeFile(storePath(), "[1.0]\r\nme_users=room2\r\n");
    writeFile(work_.filePath("zvonmatroom2.jur"), "earlier record\r\n");
    TForm1& form = createShown();
    converse(50);
    converse(50);
    const QList<QByteArray> lines = journal("zvonmatroom2.jur").split('\n');
    ASSERT_EQ(lines.size(), 4);  // two new records after the earlier one, and the final empty
    EXPECT_EQ(lines[0], "earlier record\r");
    // Empty fields leave the labels side by side.
    EXPECT_TRUE(
        lines[1].contains("\x20\xCD\xEE\xEC\xE5\xF0\x3A\x20\x20\xC0\xE1\xEE\xED\xE5\xED"
                          "\xF2\x3A\x20\x20\xC2\xF0\xE5\xEC\xFF\x20"));
    EXPECT_FALSE(QFile::exists(work_.filePath("zvonmat.jur")));
    EXPECT_TRUE(errors_.isEmpty());

    ASSERT_TRUE(QFile::remove(work_.filePath("zvonmatroom2.jur")));
    ASSERT_TRUE(QDir(work_.path()).mkdir("zvonmatroom2.jur"));  // cannot be written
    converse(50);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_.front().contains(work_.filePath("zvonmatroom2.jur")));
    EXPECT_TRUE(errors_.front().endsWith("Is a directory")) << errors_.front().toStdString();
    EXPECT_FALSE(form.Timer2->isActive());
}

TEST_F(ConversationTest, TheJournalButtonHandsThePathToTheViewer) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString record = bin.filePath("args");
    writeFile(bin.filePath("xdg-open"),
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(bin.filePath("xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray old_path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + old_path);

    TForm1& form = createShown();
    QTest::mouseClick(form.GradButtonCopy3, Qt::LeftButton, {}, {40, 12});
    const bool ran = QTest::qWaitFor([&] { return QFile::exists(record); }, 5000);
    qputenv("PATH", old_path);
    ASSERT_TRUE(ran);
    QTest::qWait(100);
    QFile args(record);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll(), work_.filePath("zvonmat.jur").toUtf8() + "\n");  // not created
    EXPECT_FALSE(QFile::exists(work_.filePath("zvonmat.jur")));
    EXPECT_TRUE(errors_.isEmpty());
}

}  // namespace
