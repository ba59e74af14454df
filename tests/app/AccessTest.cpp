#include <gtest/gtest.h>

#include <QAccessible>
#include <QLineEdit>
#include <QRegularExpression>
#include <set>

#include "dialing/TForm4.h"
#include "settings/Settings.h"
#include "support/FileContents.h"
#include "support/FormFixture.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

using namespace zvonmat_test;
using Field = MainWindowDriver::Field;
using Names = std::multiset<QString>;

// The window as the keyboard and screen readers reach it.
class AccessTest : public FormTest {};

// The accessible names of a window's buttons, drawn or Qt's own; every one must be a push button.
Names buttonNames(const QWidget& window) {
    Names names;
    for (const Control& control : controls_of(window)) {
        if (control.is_button) {
            EXPECT_EQ(control.role, QAccessible::PushButton) << control.name.toStdString();
            names.insert(control.accessible_name);
        }
    }
    return names;
}

TEST_F(AccessTest, EveryButtonOfEveryWindowIsAPushButtonNamedAsItReads) {
    const TForm1& form = create().window();
    Names expected{"Автодозвон", "Разговор",         "Выход",         "Set", "Сброс",
                   "Журнал",     "Телефонная книга", "Список номеров"};
    for (QChar key : QStringLiteral("123456789D0#")) {
        expected.insert(key);
    }
    EXPECT_EQ(buttonNames(form), expected);

    QLineEdit number, subscriber;
    TForm2 book(&number, &subscriber, form.work_dir, form.user_key);
    EXPECT_EQ(buttonNames(book), (Names{"Запись", "Выход"}));
    TSettings settings;
    TForm3 dialog(settings, [] {});
    EXPECT_EQ(buttonNames(dialog), (Names{"Выход", "ОК", "Font"}));
    TForm4 prompt;
    EXPECT_EQ(buttonNames(prompt), (Names{"OK"}));
    EXPECT_EQ(prompt.windowTitle(), u"Окончание разговора"_qs);  // as window switchers name it
}

TEST_F(AccessTest, TheClockTheAttemptsAndTheFieldsAreNamedAndReadAsTheyStand) {
    MainWindowDriver& window = start();
    window.window().cifir(125);
    const struct {
        const char* control;
        const char* name;
        QString text;  // read by a screen reader; empty for the fields
    } kRows[] = {{"Label1", "Время", "02:05"},
                 {"Label5", "Попыток", "5/0"},
                 {"Comboedit2", "Телефон", ""},
                 {"ComboEdit1", "Абонент", ""}};
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.control);
        const Control control = window.control(row.control);
        EXPECT_EQ(control.accessible_name, QString::fromUtf8(row.name));
        EXPECT_EQ(control.accessible_text, row.text);
        EXPECT_EQ(control.text, row.text);
    }
}

TEST_F(AccessTest, ThePhoneBookGridGivesItsCells) {
    writeFile(workPath("zvonmat._tf"), "Иванов\r\n");
    writeFile(workPath("zvonmat._fm"), "123\r\n456\r\n");
    const TForm1& form = create().window();
    QLineEdit number, subscriber;
    TForm2 book(&number, &subscriber, form.work_dir, form.user_key);
    QAccessibleInterface* grid =
        QAccessible::queryAccessibleInterface(&PhoneBookDriver(book).control("StringGrid1"));
    ASSERT_NE(grid, nullptr);
    QAccessibleTableInterface* table = grid->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 50);
    EXPECT_EQ(table->columnCount(), 2);
    ASSERT_NE(table->cellAt(0, 0), nullptr);
    EXPECT_EQ(table->cellAt(0, 0)->text(QAccessible::Name), "123");
    EXPECT_EQ(table->cellAt(1, 0)->text(QAccessible::Name), "456");
}

TEST_F(AccessTest, TheButtonsThatActSayWhatTheyDoAndTheKeypadSaysNothing) {
    MainWindowDriver& window = create();
    for (const char* name : {"BitBtn1", "BitBtn2", "GradButton1", "GradButtonCopy2", "GradButton2",
                             "GradButtonCopy3", "GradButtonCopy1", "GradButton3"}) {
        const Control control = window.control(name);
        // A verb and what it acts on, in Russian.
        EXPECT_TRUE(control.tooltip.contains(QRegularExpression("^[А-Я][а-яё]+ [а-яё]{3,}")))
            << name << ": " << control.tooltip.toStdString();
        EXPECT_EQ(control.accessible_description, control.tooltip);
    }
    for (const Control& control : window.controls()) {
        if (control.parent == "Panel1" && control.kind == "TGradButton") {  // the keypad
            EXPECT_TRUE(control.tooltip.isEmpty()) << control.text.toStdString();
        }
    }
}

TEST_F(AccessTest, CtrlQLeavesAsTheExitButtonDoes) {
    MainWindowDriver& window = start();
    window.type_number("777");
    window.remember_number();
    blockFile("zvonmat.lst");

    window.key_click(Field::Number, Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(hooks.errors.size(), 1);
    EXPECT_TRUE(hooks.errors.front().startsWith("Cannot create file "))
        << hooks.errors.front().toStdString();
    EXPECT_TRUE(window.shown());
    EXPECT_TRUE(hooks.questions.isEmpty());
    EXPECT_EQ(window.number(), "777");

    ASSERT_TRUE(QDir().rmdir("zvonmat.lst"));
    window.key_click(Field::Subscriber, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window.shown());
    EXPECT_EQ(file_contents(workPath("zvonmat.lst").toStdString()), "777\r\n");
    EXPECT_EQ(hooks.errors.size(), 1);
}

}  // namespace
