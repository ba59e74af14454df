#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "app/FormFixture.h"
#include "app/TForm1.h"
#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "support/ModemSimProcess.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

using namespace zvonmat_test;

// The phone book and the settings dialog opened from the main window, with the modem simulator
// on COM3.
class AuxWindowsTest : public FormTest {
  protected:
    void SetUp() override {
        FormTest::SetUp();
        modem_ = std::make_unique<ModemSimProcess>(std::vector<std::string>{"--dial-delay", "50"});
        ASSERT_TRUE(modem_->started());
        writeFile(storePath(), QByteArray("[ports]\r\nCOM3=") +
                                   QByteArray::fromStdString(modem_->link()) +
                                   "\r\nCOM4=/nonexistent/modem\r\n");
    }

    void openSettings(const std::function<void(TForm3&)>& inside) {
        withModal<TForm3>(
            [&] {
                QTest::mouseClick(form_->GradButtonCopy1, Qt::LeftButton, {}, {15, 12});
            },
            inside);
    }

    void openPhoneBook(const std::function<void(TForm2&)>& inside) {
        withModal<TForm2>([&] { QTest::mouseClick(form_->BitBtn2, Qt::LeftButton); }, inside);
    }

    std::unique_ptr<ModemSimProcess> modem_;
};

TEST_F(AuxWindowsTest, ConfirmedSettingsAreWrittenAndUsedByTheNextDial) {
    TForm1& form = createShown();
    openSettings([&](TForm3& dialog) {
        EXPECT_EQ(dialog.pos(), form.pos() + QPoint(-45, 68));
        EXPECT_FALSE(form.dialRun().port_open());
        dialog.SpinEdit3->setValue(3);
        dialog.RadioButton2->setChecked(true);
        dialog.edit3->setText("9w");
        QTest::mouseClick(dialog.GradButton2, Qt::LeftButton, {}, {30, 12});
    });
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    QFile ini(work_.filePath("zvonmat.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray saved = ini.readAll();
    EXPECT_TRUE(saved.contains("port=3\r\n"));
    EXPECT_TRUE(saved.contains("ton_p=ATDT\r\n"));
    EXPECT_TRUE(saved.contains("pref_=9W\r\n"));  // the dialog keeps capitals only

    form.Comboedit2->setText("321");
    QTest::mouseClick(form.GradButton1, Qt::LeftButton, {}, {40, 12});
    ASSERT_TRUE(QTest::qWaitFor([&] { return modem_->LogLines().size() >= 2; }, 5000));
    const std::vector<std::string> lines = modem_->LogLines();
    EXPECT_EQ(lines[1].substr(lines[1].find(' ') + 1), "ATDT9W321");
    EXPECT_TRUE(form.dialRun().port_open());

    // Opening the dialog lets go of the port, confirmed or not.
    openSettings([](TForm3&) {});
    EXPECT_FALSE(form.dialRun().port_open());
    EXPECT_FALSE(form.Comm321->WriteCommData("AT\r", 3));
}

TEST_F(AuxWindowsTest, AFontChosenAndLeftWithExitStillAppliesButIsNotSaved) {
    TForm1& form = createShown();
    openSettings([](TForm3& dialog) {
        dialog.setFontChooser(
            [](const QFont&, QWidget*) { return std::optional<QFont>(QFont("DejaVu Serif")); });
        QTest::mouseClick(dialog.SpeedButton1, Qt::LeftButton);
        QTest::mouseClick(dialog.GradButton1, Qt::LeftButton, {}, {30, 12});  // Выход
    });
    EXPECT_EQ(form.settings.font_name, "DejaVu Serif");
    EXPECT_EQ(form.GradButton1->font().family(), "DejaVu Serif");
    EXPECT_EQ(form.Comboedit2->font().family(), form.Label1->font().family());  // not listed
    EXPECT_FALSE(QFile::exists(work_.filePath("zvonmat.ini")));
}

TEST_F(AuxWindowsTest, APhoneBookRowSavedAndPickedFillsBothFields) {
    TForm1& form = createShown();
    form.ListBox1->addItem("777");
    openPhoneBook([&](TForm2& book) {
        EXPECT_EQ(book.pos(), form.pos() + QPoint(24, 73));
        book.StringGrid1->item(3, 0)->setText("84951234567");
        book.StringGrid1->item(3, 1)->setText("Петров");
        QTest::mouseClick(book.GradButton2, Qt::LeftButton, {}, {30, 12});  // Запись
    });
    EXPECT_TRUE(QFile::exists(work_.filePath("zvonmat._tf")));
    EXPECT_TRUE(QFile::exists(work_.filePath("zvonmat._fm")));

    openPhoneBook([&](TForm2& book) {
        QWidget* cells = book.StringGrid1->viewport();
        const QPoint row3 = book.StringGrid1->visualItemRect(book.StringGrid1->item(3, 0)).center();
        QTest::mouseClick(cells, Qt::LeftButton, {}, row3);
        QTest::mouseDClick(cells, Qt::LeftButton, {}, row3);
    });
    EXPECT_EQ(form.Comboedit2->text(), "84951234567");
    EXPECT_EQ(form.ComboEdit1->text(), "Петров");
    ASSERT_EQ(form.ListBox1->count(), 1);  // the phone book leaves the quick-dial list alone
}

}  // namespace
