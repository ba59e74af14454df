#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <string>

#include "dialing/Journal.h"
#include "platform/Cp1251.h"
#include "support/ModemFixture.h"

namespace {

using namespace zvonmat_test;

// A conversation on the real main window, with the modem simulator on COM4.
class ConversationTest : public ModemFormTest {
  protected:
    void SetUp() override {
        ModemFormTest::SetUp();
        startModem({"--replies", "BUSY,CONNECT 2400", "--dial-delay", "50"});
        writeSettings("wait=1\r\nn_run=3\r\n");
    }

    QByteArray journal(const char* name = "zvonmat.jur") const {
        QFile file(workPath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(ConversationTest, ABusyRedialledCallIsTimedAndJournalledOnce) {
    MainWindowDriver& window = start();
    window.type_number("123");
    window.type_subscriber("Иванов");
    window.press_auto_dial();
    // BUSY, a second of waiting, the redial, CONNECT.
    ASSERT_TRUE(waitForModemLines(3));
    QTest::qWait(400);
    EXPECT_FALSE(window.countdown_ticking());

    const std::time_t end = 1796688000;  // any fixed moment
    bool prompt_was_closed = false;
    window.window().now = [&] {
        prompt_was_closed = QApplication::activeModalWidget() == nullptr;
        return end;
    };
    const QString ended_at = window.press_conversation(2600, [&](const Prompt& prompt) {
        EXPECT_EQ(prompt.geometry, QRect(window.window().pos() + QPoint(24, 215), QSize(201, 53)));
        EXPECT_TRUE(prompt.frameless);
        EXPECT_EQ(prompt.text, "По окончании разговора нажми кнопку");
        EXPECT_TRUE(window.conversation_ticking());
        EXPECT_EQ(window.caption(), "Время разгов.");
        EXPECT_EQ(window.title(), "123 — разговор " + window.clock());
    });
    EXPECT_EQ(window.title(), "zvonmat");
    EXPECT_TRUE(prompt_was_closed);
    EXPECT_FALSE(window.conversation_ticking());
    EXPECT_EQ(window.clock(), ended_at);
    EXPECT_GE(window.window().dialRun().elapsed_seconds(), 2);

    const std::string expected =
        short_date_text(end) + "\x20\xCD\xEE\xEC\xE5\xF0\x3A\x20" + "123" +
        "\x20\xC0\xE1\xEE\xED\xE5\xED\xF2\x3A\x20" + platform::toCp1251(QStringLiteral("Иванов")) +
        "\x20\xC2\xF0\xE5\xEC\xFF\x20" + long_time_text(end) + "\x20\xC4\xEB\xE8\xF2\x2E\x3A\x20" +
        platform::toCp1251(ended_at) + "\r\n";
    EXPECT_EQ(journal().toStdString(), expected);

    // The port was let go with nothing sent; the next dial opens it and initialises the modem.
    EXPECT_EQ(modemLines().size(), 3u);
    EXPECT_FALSE(window.window().dialRun().port_open());
    window.press_auto_dial();
    ASSERT_TRUE(waitForModemLines(5, 5000));
    EXPECT_EQ(modemLines()[3], "ATZ");
}

TEST_F(ConversationTest, TheConversationButtonEndsACountdownForGood) {
    writeSettings("wait=30\r\nn_run=3\r\n");
    MainWindowDriver& window = start();
    window.type_number("9");
    window.press_auto_dial();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.countdown_ticking(); }, 5000));
    TForm1& form = window.window();
    form.move(form.pos() + QPoint(37, -11));  // dragged: the prompt follows the window

    window.press_conversation(300, [&](const Prompt& prompt) {
        EXPECT_EQ(prompt.geometry.topLeft(), form.pos() + QPoint(24, 215));
        EXPECT_FALSE(window.countdown_ticking());
        EXPECT_EQ(window.attempts(), "3/0");
    });
    EXPECT_FALSE(window.countdown_ticking());
    EXPECT_EQ(window.attempts(), "3/0");
    EXPECT_EQ(window.clock(), "00:00");  // ended before the clock's first tick
    EXPECT_EQ(modemLines().size(), 2u);
    EXPECT_TRUE(
        journal().endsWith(" \xC4\xEB\xE8\xF2\x2E\x3A\x20"
                           "00:00\r\n"));
}

TEST_F(ConversationTest, JournalsAreAppendedPerUserAndAFailedWriteStillStopsTheClock) {
    writeFile(storePath(), "[1.0]\r\nme_users=room2\r\n");
    writeFile(workPath("zvonmatroom2.jur"), "earlier record\r\n");
    MainWindowDriver& window = start();
    window.press_conversation(50);
    window.press_conversation(50);
    const QList<QByteArray> lines = journal("zvonmatroom2.jur").split('\n');
    ASSERT_EQ(lines.size(), 4);  // two new records after the earlier one, and the final empty
    EXPECT_EQ(lines[0], "earlier record\r");
    // Empty fields leave the labels side by side.
    EXPECT_TRUE(
        lines[1].contains("\x20\xCD\xEE\xEC\xE5\xF0\x3A\x20\x20\xC0\xE1\xEE\xED\xE5\xED"
                          "\xF2\x3A\x20\x20\xC2\xF0\xE5\xEC\xFF\x20"));
    EXPECT_FALSE(QFile::exists(workPath("zvonmat.jur")));
    EXPECT_TRUE(hooks.errors.isEmpty());

    blockFile("zvonmatroom2.jur");
    window.press_conversation(50);
    ASSERT_EQ(hooks.errors.size(), 1);
    EXPECT_TRUE(hooks.errors.front().contains(workPath("zvonmatroom2.jur")));
    EXPECT_TRUE(hooks.errors.front().endsWith("Is a directory"))
        << hooks.errors.front().toStdString();
    EXPECT_FALSE(window.conversation_ticking());
}

TEST_F(ConversationTest, EnterSpaceOrEscapeOnThePromptEndsTheConversationAsItsButtonDoes) {
    MainWindowDriver& window = start();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Escape}) {
        window.press_conversation(50, [key](const auto&) {
            QTest::keyClick(QApplication::focusWidget(), key);
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << key;  // the prompt is gone
        });
    }
    EXPECT_EQ(journal().count('\n'), 4);
}

// Before the first call there is no journal to show: the user is told so, and nothing is created.
TEST_F(ConversationTest, TheJournalButtonHandsThePathToTheViewer) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QString record = bin.filePath("args");
    writeFile(bin.filePath("xdg-open"),
              "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n");
    QFile::setPermissions(bin.filePath("xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray old_path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ":" + old_path);

    MainWindowDriver& window = start();
    window.press_journal();
    EXPECT_EQ(hooks.information, QStringList{"Журнала ещё нет: ни один разговор пока не записан."});
    EXPECT_FALSE(QFile::exists(workPath("zvonmat.jur")));

    writeFile(workPath("zvonmat.jur"), "");
    window.press_journal();
    const bool ran = QTest::qWaitFor([&] { return QFile::exists(record); }, 5000);
    qputenv("PATH", old_path);
    ASSERT_TRUE(ran);
    QTest::qWait(100);
    QFile args(record);
    ASSERT_TRUE(args.open(QIODevice::ReadOnly));
    EXPECT_EQ(args.readAll(), workPath("zvonmat.jur").toUtf8() + "\n");
    EXPECT_EQ(hooks.information.size(), 1);
    EXPECT_TRUE(hooks.errors.isEmpty());
}

}  // namespace
