#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "support/FileContents.h"

namespace {

using namespace zvonmat_test;

class QuickDialTest : public FormTest {
  protected:
    QStringList entries() const {
        QStringList list;
        for (int i = 0; i < form_->ListBox1->count(); ++i) {
            list << form_->ListBox1->item(i)->text();
        }
        return list;
    }
    void setEntries(const QStringList& list) {
        form_->ListBox1->clear();
        form_->ListBox1->addItems(list);
    }
    void press(SpeedButton* key) { QTest::mouseClick(key, Qt::LeftButton, {}, {12, 12}); }
};

TEST_F(QuickDialTest, TheKeypadEditsTheNumberField) {
    TForm1& form = createShown();
    for (SpeedButton* key : {form.RxSpeedButton1, form.RxSpeedButton2, form.RxSpeedButton11,
                             form.RxSpeedButton10, form.RxSpeedButton5, form.RxSpeedButton12}) {
        press(key);
    }
    EXPECT_EQ(form.Comboedit2->text(), "125");

    form.Comboedit2->setText("8-1 ");  // typed by hand: anything goes
    press(form.RxSpeedButton9);
    EXPECT_EQ(form.Comboedit2->text(), "8-1 9");

    form.Comboedit2->clear();
    press(form.RxSpeedButton10);
    EXPECT_EQ(form.Comboedit2->text(), "");
    for (SpeedButton* key : {form.RxSpeedButton3, form.RxSpeedButton4, form.RxSpeedButton6,
                             form.RxSpeedButton7, form.RxSpeedButton8}) {
        press(key);
    }
    EXPECT_EQ(form.Comboedit2->text(), "34678");

    form.Comboedit2->setText("12\U0001F4DE");  // one character outside the 16-bit range
    press(form.RxSpeedButton10);
    EXPECT_EQ(form.Comboedit2->text(), "12");
}

TEST_F(QuickDialTest, InsertingKeepsTheNewestFirstWithoutRepeatingTheTop) {
    TForm1& form = create();
    setEntries({"222", "111"});
    form.Comboedit2->setText("222");
    form.insert_to_list();
    EXPECT_EQ(entries(), (QStringList{"222", "111"}));
    form.Comboedit2->setText("111");
    form.insert_to_list();
    EXPECT_EQ(entries(), (QStringList{"111", "222", "111"}));
    form.Comboedit2->clear();
    form.insert_to_list();
    EXPECT_EQ(entries(), (QStringList{"111", "222", "111"}));

    setEntries({});
    form.insert_to_list();
    EXPECT_TRUE(entries().isEmpty());

    // Texts that the list file stores alike are one entry.
    setEntries({"5\u2603"});
    form.Comboedit2->setText("5\u2604");
    form.insert_to_list();
    EXPECT_EQ(entries().size(), 1);
}

TEST_F(QuickDialTest, TheListHoldsFiftyEntriesAndALongerFileLosesOneAtATime) {
    TForm1& form = create();
    QStringList fifty;
    for (int i = 0; i < 50; ++i) {
        fifty << QString::number(i);
    }
    setEntries(fifty);
    form.Comboedit2->setText("new");
    form.insert_to_list();
    ASSERT_EQ(entries().size(), 50);
    EXPECT_EQ(entries().front(), "new");
    EXPECT_EQ(entries().back(), "48");

    setEntries(fifty + QStringList{"50", "51", "52"});
    form.Comboedit2->setText("0");  // equal to the top: nothing inserted, one cut all the same
    form.insert_to_list();
    EXPECT_EQ(entries().size(), 52);
    EXPECT_FALSE(entries().contains("50"));
}

TEST_F(QuickDialTest, TheListButtonTogglesTheListAndTakingAnEntryHidesIt) {
    writeFile(work_.filePath("zvonmat.lst"), "333\r\n222\n111");
    TForm1& form = createShown();
    EXPECT_EQ(entries(), (QStringList{"333", "222", "111"}));
    EXPECT_TRUE(form.ListBox1->isHidden());

    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(form.list_shown);
    EXPECT_TRUE(form.ListBox1->isVisible());
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(form.list_shown);
    EXPECT_TRUE(form.ListBox1->isHidden());

    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    form.ComboEdit1->setText("Иванов");
    QWidget* rows = form.ListBox1->viewport();
    const QPoint first_row = form.ListBox1->visualItemRect(form.ListBox1->item(0)).center();
    QTest::mouseClick(rows, Qt::LeftButton, {}, first_row);
    QTest::mouseDClick(rows, Qt::LeftButton, {}, first_row);
    EXPECT_EQ(form.Comboedit2->text(), "333");
    EXPECT_FALSE(form.Comboedit2->hasSelectedText());  // the next key adds to the number
    EXPECT_EQ(form.Comboedit2->cursorPosition(), 3);
    EXPECT_EQ(form.ComboEdit1->text(), "");
    EXPECT_FALSE(form.list_shown);
    EXPECT_TRUE(form.ListBox1->isHidden());
    EXPECT_EQ(entries(), (QStringList{"333", "222", "111"}));
}

TEST_F(QuickDialTest, ADoubleClickWithoutASelectionAndARightClickBehave) {
    TForm1& form = createShown();
    setEntries({"333"});
    QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
    form.Comboedit2->setText("555");
    form.ComboEdit1->setText("Петров");
    QWidget* rows = form.ListBox1->viewport();
    QTest::mouseDClick(rows, Qt::LeftButton, {}, {50, 120});  // below the only entry
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_EQ(form.Comboedit2->text(), "555");
    EXPECT_EQ(form.ComboEdit1->text(), "Петров");
    EXPECT_TRUE(form.list_shown);
    EXPECT_TRUE(form.ListBox1->isVisible());

    QTest::mouseClick(rows, Qt::RightButton, {}, {50, 5});
    EXPECT_TRUE(form.ListBox1->selectedItems().isEmpty());
    EXPECT_FALSE(form.list_shown);
    EXPECT_TRUE(form.ListBox1->isHidden());
}

TEST_F(QuickDialTest, EveryWayOfClosingSavesTheListAndAnUnsavedListIsNeverATrap) {
    TForm1& form = createShown();
    setEntries({"333", "222"});
    EXPECT_TRUE(form.close());  // as the window manager closes it
    QFile saved(work_.filePath("zvonmat.lst"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "333\r\n222\r\n");
    saved.close();
    EXPECT_TRUE(questions_.isEmpty());

    TForm1& again = createShown();
    EXPECT_EQ(entries(), (QStringList{"333", "222"}));
    ASSERT_TRUE(QFile::remove(work_.filePath("zvonmat.lst")));
    ASSERT_TRUE(QDir(work_.path()).mkdir("zvonmat.lst"));  // cannot be written

    // The exit button reports the error and stays, asking nothing.
    QTest::mouseClick(again.GradButton3, Qt::LeftButton, {}, {44, 12});
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_TRUE(errors_.front().startsWith("Cannot create file ")) << errors_.front().toStdString();
    EXPECT_TRUE(errors_.front().endsWith("/zvonmat.lst"));
    EXPECT_TRUE(again.isVisible());
    EXPECT_TRUE(questions_.isEmpty());

    // The window manager's close reports it too, then asks; «Нет» keeps the window, «Да» leaves.
    EXPECT_FALSE(again.close());
    EXPECT_EQ(errors_.size(), 2);
    EXPECT_EQ(questions_, QStringList{"Список номеров не сохранён. Выйти без сохранения?"});
    EXPECT_TRUE(again.isVisible());
    answer_ = true;
    EXPECT_TRUE(again.close());
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(questions_.size(), 2);
}

TEST_F(QuickDialTest, ATerminationSignalSavesWhatItCanAndAsksNothing) {
    TForm1& form = createShown();
    setEntries({"444"});
    form.endOnSignal();
    EXPECT_EQ(file_contents(work_.filePath("zvonmat.lst").toStdString()), "444\r\n");
    EXPECT_TRUE(form.close());  // whatever ends the event loop closes nothing more

    TForm1& again = createShown();
    ASSERT_TRUE(QFile::remove(work_.filePath("zvonmat.lst")));
    ASSERT_TRUE(QDir(work_.path()).mkdir("zvonmat.lst"));
    testing::internal::CaptureStderr();
    again.endOnSignal();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Cannot create file "), std::string::npos) << said;
    EXPECT_TRUE(errors_.isEmpty());
    EXPECT_TRUE(questions_.isEmpty());
    EXPECT_TRUE(again.close());
}

}  // namespace
