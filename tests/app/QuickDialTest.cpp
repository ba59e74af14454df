#include <gtest/gtest.h>

#include "support/FileContents.h"
#include "support/FormFixture.h"

namespace {

using namespace zvonmat_test;

class QuickDialTest : public FormTest {};

TEST_F(QuickDialTest, TheKeypadEditsTheNumberField) {
    const struct {
        const char* typed;  // by hand, before the keys
        const char* keys;
        QString number;
    } kRows[] = {
        {"", "120D5#", "125"},
        {"8-1 ", "9", "8-1 9"},  // typed by hand: anything goes
        {"", "D34678", "34678"},
        {"12\U0001F4DE", "D", "12"},  // one character outside the 16-bit range
    };
    MainWindowDriver& window = start();
    for (const auto& row : kRows) {
        window.type_number(QString::fromUtf8(row.typed));
        for (const char* key = row.keys; *key != '\0'; ++key) {
            window.press_key(QLatin1Char(*key));
        }
        EXPECT_EQ(window.number(), row.number) << row.keys;
    }
}

// The list holds fifty entries; a longer file loses one at a time.
TEST_F(QuickDialTest, InsertingKeepsTheNewestFirstWithoutRepeatingTheTop) {
    QStringList fifty;
    for (int i = 0; i < 50; ++i) {
        fifty << QString::number(i);
    }
    const struct {
        const char* name;
        QStringList before;
        QString number;
        QStringList after;
    } kRows[] = {
        {"the top again", {"222", "111"}, "222", {"222", "111"}},
        {"a new number", {"222", "111"}, "111", {"111", "222", "111"}},
        {"an empty field", {"111", "222"}, "", {"111", "222"}},
        {"an empty field and list", {}, "", {}},
        {"texts the file stores alike", {"5\u2603"}, "5\u2604", {"5\u2603"}},
        {"fifty: the oldest goes", fifty, "new", QStringList{"new"} + fifty.mid(0, 49)},
        {"over fifty: nothing new, one cut", fifty + QStringList{"50", "51", "52"}, "0",
         fifty + QStringList{"51", "52"}},
    };
    MainWindowDriver& window = create();
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        window.set_quick_list(row.before);
        window.type_number(row.number);
        window.remember_number();
        EXPECT_EQ(window.quick_list(), row.after);
    }
}

TEST_F(QuickDialTest, TheListButtonTogglesTheListAndTakingAnEntryHidesIt) {
    writeFile(workPath("zvonmat.lst"), "333\r\n222\n111");
    MainWindowDriver& window = start();
    EXPECT_EQ(window.quick_list(), (QStringList{"333", "222", "111"}));
    for (bool shown : {false, true, false}) {
        EXPECT_EQ(window.window().list_shown, shown);
        EXPECT_EQ(window.quick_list_shown(), shown);
        window.press_quick_list();
    }

    window.type_subscriber("Иванов");
    window.pick_from_quick_list(0);
    EXPECT_EQ(window.number(), "333");
    EXPECT_FALSE(window.number_has_selection());  // the next key adds to the number
    EXPECT_EQ(window.number_cursor(), 3);
    EXPECT_EQ(window.subscriber(), "");
    EXPECT_FALSE(window.window().list_shown);
    EXPECT_FALSE(window.quick_list_shown());
    EXPECT_EQ(window.quick_list(), (QStringList{"333", "222", "111"}));
}

TEST_F(QuickDialTest, ADoubleClickWithoutASelectionAndARightClickBehave) {
    MainWindowDriver& window = start();
    window.set_quick_list({"333"});
    window.press_quick_list();
    window.type_number("555");
    window.type_subscriber("Петров");
    window.double_click_quick_list({50, 120});  // below the only entry
    EXPECT_TRUE(hooks.errors.isEmpty());
    EXPECT_EQ(window.number(), "555");
    EXPECT_EQ(window.subscriber(), "Петров");
    EXPECT_TRUE(window.window().list_shown);
    EXPECT_TRUE(window.quick_list_shown());

    window.right_click_quick_list({50, 5});
    EXPECT_FALSE(window.quick_list_has_selection());
    EXPECT_FALSE(window.window().list_shown);
    EXPECT_FALSE(window.quick_list_shown());
}

TEST_F(QuickDialTest, EnterTakesTheSelectedEntryAndEscapeHidesTheList) {
    const struct {
        Qt::Key key;
        const char* number;
    } kRows[] = {{Qt::Key_Return, "222"}, {Qt::Key_Enter, "222"}, {Qt::Key_Escape, "555"}};
    MainWindowDriver& window = start();
    window.set_quick_list({"333", "222"});
    for (const auto& row : kRows) {
        window.type_number("555");
        window.press_quick_list();
        window.key_click_quick_list(1, row.key);
        EXPECT_EQ(window.number(), row.number);
        EXPECT_FALSE(window.window().list_shown || window.quick_list_shown());
    }
}

TEST_F(QuickDialTest, EveryWayOfClosingSavesTheListAndAnUnsavedListIsNeverATrap) {
    start().set_quick_list({"333", "222"});
    EXPECT_TRUE(form_->close());  // as the window manager closes it
    EXPECT_EQ(file_contents(workPath("zvonmat.lst").toStdString()), "333\r\n222\r\n");
    EXPECT_TRUE(hooks.questions.isEmpty());

    MainWindowDriver& again = start();
    EXPECT_EQ(again.quick_list(), (QStringList{"333", "222"}));
    again.set_quick_list({"444", "333", "222"});  // a list the file does not hold yet
    blockFile("zvonmat.lst");

    // The exit button reports the error and stays, asking nothing.
    again.press_exit();
    ASSERT_EQ(hooks.errors.size(), 1);
    EXPECT_EQ(hooks.errors.front(),
              "Cannot create file " + workPath("zvonmat.lst") + ": Is a directory");
    EXPECT_TRUE(again.shown());
    EXPECT_TRUE(hooks.questions.isEmpty());

    // The window manager's close reports it too, then asks; «Нет» keeps the window, «Да» leaves.
    EXPECT_FALSE(form_->close());
    EXPECT_EQ(hooks.errors.size(), 2);
    EXPECT_EQ(hooks.questions, QStringList{"Список номеров не сохранён. Выйти без сохранения?"});
    EXPECT_TRUE(again.shown());
    hooks.answer = true;
    EXPECT_TRUE(form_->close());
    EXPECT_FALSE(again.shown());
    EXPECT_EQ(hooks.questions.size(), 2);
}

TEST_F(QuickDialTest, ATerminationSignalSavesWhatItCanAndAsksNothing) {
    start().set_quick_list({"444"});
    form_->endOnSignal();
    EXPECT_EQ(file_contents(workPath("zvonmat.lst").toStdString()), "444\r\n");
    EXPECT_TRUE(form_->close());  // whatever ends the event loop closes nothing more

    start().set_quick_list({"555"});
    blockFile("zvonmat.lst");
    testing::internal::CaptureStderr();
    form_->endOnSignal();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Cannot create file "), std::string::npos) << said;
    EXPECT_TRUE(hooks.errors.isEmpty());
    EXPECT_TRUE(hooks.questions.isEmpty());
    EXPECT_TRUE(form_->close());
}

}  // namespace
