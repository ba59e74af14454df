#include <gtest/gtest.h>

#include <QFile>
#include <optional>

#include "support/FileContents.h"
#include "support/ModemFixture.h"
#include "windows/TForm2.h"
#include "windows/TForm3.h"

namespace {

using namespace zvonmat_test;

// The phone book and the settings dialog opened from the main window, with the modem simulator
// on COM3.
class AuxWindowsTest : public ModemFormTest {
  protected:
    void SetUp() override {
        ModemFormTest::SetUp();
        startModem({"--dial-delay", "50"}, "COM3", "COM4=/nonexistent/modem\r\n");
    }
};

TEST_F(AuxWindowsTest, ConfirmedSettingsAreWrittenAndUsedByTheNextDial) {
    MainWindowDriver& window = start();
    window.open_settings([&](SettingsDialogDriver& dialog) {
        EXPECT_EQ(dialog.window().pos(), window.window().pos() + QPoint(-45, 68));
        EXPECT_FALSE(window.window().dialRun().port_open());
        dialog.type(SettingsDialogDriver::Field::Port, "3");
        dialog.set_tone(true);
        dialog.type(SettingsDialogDriver::Field::Prefix, "9w");
        dialog.press_ok();
    });
    EXPECT_TRUE(hooks.errors.isEmpty()) << hooks.errors.join('\n').toStdString();
    const std::string saved = file_contents(workPath("zvonmat.ini").toStdString());
    for (const char* line : {"port=3\r\n", "ton_p=ATDT\r\n", "pref_=9W\r\n"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line;  // the dialog keeps capitals only
    }

    window.type_number("321");
    window.press_auto_dial();
    ASSERT_TRUE(waitForModemLines(2, 5000));
    EXPECT_EQ(modemLines()[1], "ATDT9W321");
    EXPECT_TRUE(window.window().dialRun().port_open());

    // Opening the dialog lets go of the port, confirmed or not.
    window.open_settings([](SettingsDialogDriver&) {});
    EXPECT_FALSE(window.window().dialRun().port_open());
    EXPECT_FALSE(window.port().WriteCommData("AT\r", 3));
}

TEST_F(AuxWindowsTest, AFontChosenAndLeftWithExitStillAppliesButIsNotSaved) {
    MainWindowDriver& window = start();
    window.open_settings([](SettingsDialogDriver& dialog) {
        dialog.window().setFontChooser(
            [](const QFont&, QWidget*) { return std::optional<QFont>(QFont("DejaVu Serif")); });
        dialog.choose_font();
        dialog.press_exit();
    });
    EXPECT_EQ(window.window().settings.font_name, "DejaVu Serif");
    EXPECT_EQ(window.control("GradButton1").font.family(), "DejaVu Serif");
    EXPECT_EQ(window.control("Comboedit2").font.family(),
              window.control("Label1").font.family());  // not listed
    EXPECT_FALSE(QFile::exists(workPath("zvonmat.ini")));
}

TEST_F(AuxWindowsTest, APhoneBookRowSavedAndPickedFillsBothFields) {
    MainWindowDriver& window = start();
    window.set_quick_list({"777"});
    window.open_phone_book([&](PhoneBookDriver& book) {
        EXPECT_EQ(book.window().pos(), window.window().pos() + QPoint(24, 73));
        book.type_into(3, 0, "84951234567");
        book.type_into(3, 1, "Петров");
        book.press_save();
    });
    EXPECT_TRUE(QFile::exists(workPath("zvonmat._tf")));
    EXPECT_TRUE(QFile::exists(workPath("zvonmat._fm")));

    window.open_phone_book([](PhoneBookDriver& book) { book.double_click(3); });
    EXPECT_EQ(window.number(), "84951234567");
    EXPECT_EQ(window.subscriber(), "Петров");
    EXPECT_EQ(window.quick_list(), QStringList{"777"});  // the phone book leaves the list alone
}

}  // namespace
