#include <gtest/gtest.h>

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <set>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "dialing/TForm4.h"
#include "settings/Settings.h"
#include "support/FileContents.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

using namespace zvonmat_test;

// The window as the keyboard and screen readers reach it.
class AccessTest : public FormTest {};

QAccessibleInterface* accessibleOf(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// The accessible names of a window's buttons, drawn or Qt's own; every one must be a push button.
std::multiset<QString> buttonNames(QWidget& window) {
    std::multiset<QString> names;
    QList<QWidget*> buttons;
    for (SpeedButton* button : window.findChildren<SpeedButton*>()) {
        buttons.append(button);
    }
    for (QToolButton* button : window.findChildren<QToolButton*>()) {
        buttons.append(button);
    }
    for (QWidget* button : buttons) {
        QAccessibleInterface* described = accessibleOf(button);
        EXPECT_EQ(described->role(), QAccessible::PushButton) << button->objectName().toStdString();
        names.insert(described->text(QAccessible::Name));
    }
    return names;
}

TEST_F(AccessTest, EveryButtonOfEveryWindowIsAPushButtonNamedAsItReads) {
    TForm1& form = create();
    EXPECT_EQ(buttonNames(form), (std::multiset<QString>{"1",
                                                         "2",
                                                         "3",
                                                         "4",
                                                         "5",
                                                         "6",
                                                         "7",
                                                         "8",
                                                         "9",
                                                         "D",
                                                         "0",
                                                         "#",
                                                         "Автодозвон",
                                                         "Разговор",
                                                         "Выход",
                                                         "Set",
                                                         "Сброс",
                                                         "Журнал",
                                                         "Телефонная книга",
                                                         "Список номеров"}));

    TForm2 book(form.Comboedit2, form.ComboEdit1, form.work_dir, form.user_key);
    EXPECT_EQ(buttonNames(book), (std::multiset<QString>{"Запись", "Выход"}));
    TSettings settings;
    TForm3 dialog(settings, [] {});
    EXPECT_EQ(buttonNames(dialog), (std::multiset<QString>{"Выход", "ОК", "Font"}));
    TForm4 prompt;
    EXPECT_EQ(buttonNames(prompt), (std::multiset<QString>{"OK"}));
}

TEST_F(AccessTest, TheClockAndTheAttemptsAreNamedAndReadAsTheyStand) {
    TForm1& form = createShown();
    const struct {
        Label* label;
        const char* name;
    } kRows[] = {{form.Label1, "Время"}, {form.Label5, "Попыток"}};
    form.cifir(125);
    for (const auto& row : kRows) {
        QAccessibleInterface* described = accessibleOf(row.label);
        EXPECT_EQ(described->text(QAccessible::Name), QString::fromUtf8(row.name));
        QAccessibleTextInterface* text = described->textInterface();
        ASSERT_NE(text, nullptr) << row.name;
        EXPECT_EQ(text->text(0, text->characterCount()), row.label->text()) << row.name;
    }
    EXPECT_EQ(form.Label1->text(), "02:05");
    EXPECT_EQ(form.Label5->text(), "5/0");
    EXPECT_EQ(accessibleOf(form.Comboedit2)->text(QAccessible::Name), "Телефон");
    EXPECT_EQ(accessibleOf(form.ComboEdit1)->text(QAccessible::Name), "Абонент");
}

TEST_F(AccessTest, ThePhoneBookGridGivesItsCells) {
    writeFile(work_.filePath("zvonmat._tf"), "Иванов\r\n");
    writeFile(work_.filePath("zvonmat._fm"), "123\r\n456\r\n");
    TForm1& form = create();
    TForm2 book(form.Comboedit2, form.ComboEdit1, form.work_dir, form.user_key);
    QAccessibleInterface* grid = accessibleOf(book.StringGrid1);
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
    TForm1& form = create();
    for (QWidget* control : std::initializer_list<QWidget*>{
             form.BitBtn1, form.BitBtn2, form.GradButton1, form.GradButtonCopy2, form.GradButton2,
             form.GradButtonCopy3, form.GradButtonCopy1, form.GradButton3}) {
        const QString tip = control->toolTip();
        // A verb and what it acts on, in Russian.
        EXPECT_TRUE(tip.contains(QRegularExpression("^[А-Я][а-яё]+ [а-яё]{3,}")))
            << control->objectName().toStdString() << ": " << tip.toStdString();
        EXPECT_EQ(accessibleOf(control)->text(QAccessible::Description), tip);
    }
    // The keypad: the gradient buttons of the keypad panel.
    for (TGradButton* key : form.Panel1->findChildren<TGradButton*>()) {
        EXPECT_TRUE(key->toolTip().isEmpty()) << key->Caption().toStdString();
    }
}

TEST_F(AccessTest, CtrlQLeavesAsTheExitButtonDoes) {
    TForm1& form = createShown();
    form.Comboedit2->setText("777");
    form.insert_to_list();
    ASSERT_TRUE(QDir(work_.path()).mkdir("zvonmat.lst"));  // the list cannot be written

    QTest::keyClick(form.Comboedit2, Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_.front().startsWith("Cannot create file ")) << errors_.front().toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(questions_.isEmpty());
    EXPECT_EQ(form.Comboedit2->text(), "777");

    ASSERT_TRUE(QDir(work_.path()).rmdir("zvonmat.lst"));
    form.ComboEdit1->setFocus();
    QTest::keyClick(form.ComboEdit1, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(file_contents(work_.filePath("zvonmat.lst").toStdString()), "777\r\n");
    EXPECT_EQ(errors_.size(), 1);
}

}  // namespace
