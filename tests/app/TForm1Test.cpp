#include <gtest/gtest.h>
#include <unistd.h>

#include <QFontMetrics>
#include <filesystem>

#include "platform/gui/Fonts.h"
#include "support/FormFixture.h"

namespace {

using namespace zvonmat_test;
using Field = MainWindowDriver::Field;

class TForm1Test : public FormTest {};

TEST_F(TForm1Test, EveryControlSitsAtItsPlaceInItsParent) {
    const struct {
        const char* name;
        const char* parent;
        QRect geometry;
    } kLayout[] = {
        {"Image1", "Form1", {0, 0, 245, 340}},
        {"Panel1", "Form1", {24, 128, 201, 137}},
        {"Bevel1", "Panel1", {104, 24, 89, 28}},
        {"Label1", "Panel1", {110, 26, 45, 24}},
        {"Label2", "Panel1", {160, 32, 29, 13}},
        {"Label3", "Panel1", {104, 8, 74, 13}},
        {"GradButtonCopy1", "Panel1", {160, 104, 34, 25}},
        {"GradButtonCopy2", "Panel1", {103, 104, 50, 25}},
        {"GradButtonCopy3", "Panel1", {103, 77, 90, 25}},
        {"Label4", "Panel1", {104, 58, 45, 13}},
        {"Label5", "Panel1", {160, 56, 22, 16}},
        {"RxSpeedButton1", "Panel1", {8, 8, 25, 25}},
        {"RxSpeedButton5", "Panel1", {40, 40, 25, 25}},
        {"RxSpeedButton9", "Panel1", {72, 72, 25, 25}},
        {"RxSpeedButton10", "Panel1", {8, 104, 25, 25}},
        {"RxSpeedButton11", "Panel1", {40, 104, 25, 25}},
        {"RxSpeedButton12", "Panel1", {72, 104, 25, 25}},
        {"Panel2", "Form1", {32, 272, 184, 25}},
        {"GradButton1", "Panel2", {0, 0, 92, 25}},
        {"GradButton2", "Panel2", {91, 0, 94, 25}},
        {"Panel3", "Form1", {80, 304, 89, 25}},
        {"GradButton3", "Panel3", {0, 0, 89, 25}},
        {"Edit1", "Form1", {27, 75, 62, 21}},
        {"Edit2", "Form1", {27, 95, 62, 21}},
        {"ListBox1", "Form1", {88, 116, 113, 134}},
        {"Comboedit2", "Form1", {88, 95, 113, 21}},
        {"ComboEdit1", "Form1", {88, 75, 113, 21}},
        {"Panel4", "Form1", {201, 76, 21, 40}},
        {"BitBtn1", "Panel4", {-1, 21, 22, 20}},
        {"BitBtn2", "Panel4", {-1, 0, 22, 20}},
    };
    MainWindowDriver& window = create();
    EXPECT_EQ(window.window().size(), QSize(246, 339));
    for (const auto& row : kLayout) {
        SCOPED_TRACE(row.name);
        const Control control = window.control(row.name);
        EXPECT_EQ(control.parent, row.parent);
        if (control.kind == "Label") {
            // Labels grow to show their whole text in whatever face stands in for the layout's.
            EXPECT_EQ(control.geometry.topLeft(), row.geometry.topLeft());
            EXPECT_GE(control.geometry.width(), row.geometry.width());
            EXPECT_GE(control.geometry.height(), row.geometry.height());
        } else {
            EXPECT_EQ(control.geometry, row.geometry);
        }
    }
}

TEST_F(TForm1Test, ControlsAreCreatedInLayoutOrderSoLaterOnesLieOnTop) {
    MainWindowDriver& window = create();
    EXPECT_EQ(window.child_names("Form1"),
              (QStringList{"Image1", "Panel1", "Panel2", "Panel3", "Edit1", "Edit2", "ListBox1",
                           "Comboedit2", "ComboEdit1", "Panel4"}));
    QStringList panel1 = {"Bevel1",          "Label1",          "Label2",
                          "Label3",          "GradButtonCopy1", "GradButtonCopy2",
                          "GradButtonCopy3", "Label4",          "Label5"};
    for (int i = 1; i <= 12; ++i) {
        panel1 << QStringLiteral("RxSpeedButton%1").arg(i);
    }
    EXPECT_EQ(window.child_names("Panel1"), panel1);
}

TEST_F(TForm1Test, CaptionsColoursAndFontsFollowTheLayout) {
    MainWindowDriver& window = create();
    const QColor green(0, 255, 0), yellow(255, 255, 0);
    const struct {
        const char* name;
        QString text;
        QColor color;
        int pixel_size;
        bool bold;
    } kLabels[] = {
        {"Label1", "00:00", green, 19, false},
        {"Label2", "(м:с)", green, 11, true},
        {"Label3", "Время разгов.", yellow, 11, false},
        {"Label4", "Попыток", yellow, 11, false},
        {"Label5", "0/0", green, 13, true},
    };
    for (const auto& row : kLabels) {
        SCOPED_TRACE(row.name);
        const Control label = window.control(row.name);
        EXPECT_EQ(label.text, row.text);
        EXPECT_EQ(label.text_color, row.color);
        EXPECT_EQ(label.font.pixelSize(), row.pixel_size);
        EXPECT_EQ(label.font.bold(), row.bold);
    }

    const QString keys = QStringLiteral("123456789D0#");
    const int tags[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        const Control key = window.control(QStringLiteral("RxSpeedButton%1").arg(i + 1));
        EXPECT_EQ(key.kind, "TGradButton");
        EXPECT_EQ(key.text, keys.mid(i, 1));
        EXPECT_EQ(key.tag, tags[i]);
        EXPECT_EQ(key.grad_color, QColor(Qt::black));
        EXPECT_EQ(key.face_color, QColor(128, 128, 128));
        EXPECT_EQ(key.text_color, QColor(Qt::white));
    }

    // The three buttons and their copies, which take the looks of «Автодозвон».
    const struct {
        const char* name;
        QString caption;
        QColor grad_color;  // invalid: not checked
        QSize glyph;        // invalid: not checked
    } kButtons[] = {{"GradButton1", "Автодозвон", QColor(192, 192, 192), {}},
                    {"GradButton2", "Разговор", {}, {}},
                    {"GradButton3", "Выход", QColor(128, 128, 128), {}},
                    {"GradButtonCopy1", "Set", {}, {}},
                    {"GradButtonCopy2", "Сброс", {}, {16, 16}},
                    {"GradButtonCopy3", "Журнал", {}, {16, 16}}};
    for (const auto& row : kButtons) {
        SCOPED_TRACE(row.name);
        const Control button = window.control(row.name);
        EXPECT_EQ(button.text, row.caption);
        if (QString(row.name).startsWith("GradButtonCopy")) {
            EXPECT_EQ(button.linked_to, "GradButton1");
            EXPECT_EQ(button.text_color, yellow);
        }
        if (row.grad_color.isValid()) {
            EXPECT_EQ(button.grad_color, row.grad_color);
        }
        if (row.glyph.isValid()) {
            EXPECT_EQ(button.glyph_size, row.glyph);
        }
    }
    EXPECT_EQ(window.control("BitBtn1").glyph_size, QSize(14, 12));
    EXPECT_EQ(window.control("BitBtn2").glyph_size, QSize(16, 16));

    EXPECT_EQ(window.control("Edit1").text, "Абонент");
    EXPECT_EQ(window.control("Edit2").text, "Телефон");
    EXPECT_FALSE(window.control("Edit1").enabled);
    EXPECT_TRUE(window.control("Edit1").read_only);
    EXPECT_EQ(window.control("ComboEdit1").base_color, QColor(240, 251, 255));
    EXPECT_EQ(window.control("Comboedit2").base_color, QColor(192, 220, 192));
    EXPECT_EQ(window.number(), "");
    EXPECT_EQ(window.subscriber(), "");
    EXPECT_TRUE(window.control("ListBox1").hidden);
    EXPECT_FALSE(window.countdown_ticking());
    EXPECT_FALSE(window.conversation_ticking());
    EXPECT_EQ(window.tick_intervals(), (std::vector<int>{1000, 1000}));
}

TEST_F(TForm1Test, FocusStartsInTheNumberFieldAndOnlyTheFieldsTakeIt) {
    MainWindowDriver& window = start();
    EXPECT_EQ(window.focused_field(), Field::Number);
    window.key_click(Field::Number, Qt::Key_Tab);
    EXPECT_EQ(window.focused_field(), Field::Subscriber);

    for (const Control& control : window.controls()) {
        if (control.is_button) {
            EXPECT_FALSE(control.takes_focus) << control.name.toStdString();
        }
    }
    EXPECT_FALSE(window.control("Edit1").enabled);  // caption cells never take the focus
}

TEST_F(TForm1Test, StartsInAnEmptyDirectoryWithDefaultsOneBeepAndNoFile) {
    TForm1& form = start().window();
    EXPECT_EQ(hooks.beeps, 1);
    EXPECT_TRUE(hooks.errors.isEmpty()) << hooks.errors.join('\n').toStdString();
    EXPECT_TRUE(form.user_key.empty());
    EXPECT_EQ(form.work_dir, std::filesystem::current_path().native());
    EXPECT_EQ(form.settings.dial_prefix, "");  // the file's default, not the built-in value
    EXPECT_EQ(driver_->attempts(), "5/0");
    EXPECT_EQ(form.dialRun().attempts_left(), 5);
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(' ').toStdString();
}

TEST_F(TForm1Test, ReadsTheSettingsFileOfTheUserTheStoreNames) {
    writeFile(storePath(), "[1.0]\r\nme_users=ivanovich\r\n");
    writeFile(workPath("zvonmativanovic.ini"),
              "[PARAM]\r\nn_run=7\r\nfnt=DejaVu Serif\r\npref_=9\r\n");
    writeSettings("n_run=3\r\n");
    MainWindowDriver& window = start();
    EXPECT_EQ(window.window().user_key, "ivanovic");
    EXPECT_EQ(window.window().settings.max_attempts, 7);
    EXPECT_EQ(window.window().settings.dial_prefix, "9");
    EXPECT_EQ(window.attempts(), "7/0");
    EXPECT_EQ(window.control("GradButton1").font.family(), "DejaVu Serif");
}

TEST_F(TForm1Test, SetfontChangesTheFaceOfExactlyTheListedControls) {
    writeSettings("fnt=DejaVu Serif\r\n");
    MainWindowDriver& window = create();
    const QStringList followers = {
        "GradButton1", "GradButton2", "GradButton3", "GradButtonCopy2", "GradButtonCopy3",
        "Label3",      "Label4",      "Edit1",       "Edit2",           "ComboEdit1"};
    for (const Control& control : window.controls()) {
        SCOPED_TRACE(control.name.toStdString());
        EXPECT_EQ(control.font.family(), followers.contains(control.name)
                                             ? QString("DejaVu Serif")
                                             : platform::installedFace("MS Sans Serif"));
    }
    // Size and style stay as designed.
    EXPECT_EQ(window.control("GradButton1").font.pixelSize(), 11);
    EXPECT_EQ(window.control("Label3").font.pixelSize(), 11);
}

TEST_F(TForm1Test, AStoreValueThatIsNotTextStopsStartUpButTheWindowRuns) {
    writeFile(storePath(), "[1.0]\r\nme_users=dword:00000001\r\n");
    writeFile(workPath("zvonmat.lst"), "111\r\n");
    writeSettings("n_run=7\r\nfnt=DejaVu Serif\r\n");
    MainWindowDriver& window = start();
    TForm1& form = window.window();
    EXPECT_EQ(hooks.errors, QStringList{"Invalid data type for 'me_users'"});
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_FALSE(form.windowRegion().has_value());
    EXPECT_TRUE(form.mask().isEmpty());
    EXPECT_EQ(form.work_dir, std::filesystem::current_path().native());  // never the root
    EXPECT_EQ(form.settings, TSettings{});                               // the built-in values
    EXPECT_EQ(form.settings.dial_prefix, "9w9w");
    EXPECT_EQ(window.control("GradButton1").font.family(),
              platform::installedFace("MS Sans Serif"));
    EXPECT_EQ(window.attempts(), "5/0");
    EXPECT_EQ(window.quick_list(), QStringList{"111"});  // loaded all the same, so leaving keeps it

    // Without its shape nothing drags the window.
    const QPoint before = form.pos();
    window.drag({12, 200}, {60, 240});
    EXPECT_EQ(form.pos(), before);
}

TEST_F(TForm1Test, TheWindowIsARoundedRectangleWithCornersOfRadius75) {
    TForm1& form = create().window();
    ASSERT_TRUE(form.windowRegion().has_value());
    const QRegion& region = *form.windowRegion();
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 246, 339));
    EXPECT_EQ(form.mask(), region);
    for (QPoint inside : {QPoint(123, 170), QPoint(0, 170), QPoint(123, 0), QPoint(24, 24)}) {
        EXPECT_TRUE(region.contains(inside)) << inside.x() << "," << inside.y();
    }
    for (QPoint corner :
         {QPoint(2, 2), QPoint(243, 2), QPoint(2, 336), QPoint(243, 336), QPoint(20, 20)}) {
        EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(TForm1Test, ActivationResetsTheRunOnlyTheFirstTime) {
    MainWindowDriver& window = start();
    EXPECT_EQ(window.attempts(), "5/0");
    EXPECT_EQ(window.caption(), "Время разгов.");

    window.window().cifir(125);  // a reset would show 00:00
    window.window().settings.max_attempts = 9;
    window.activate();
    EXPECT_EQ(window.clock(), "02:05");
    EXPECT_EQ(window.attempts(), "5/0");
    EXPECT_EQ(window.window().dialRun().attempts_left(), 5);
}

// Where the desktop does not activate a new window, the run starts right after the first show.
TEST_F(TForm1Test, AWindowThatIsNeverActivatedStillStartsTheRun) {
    struct NoActivation : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            return event->type() == QEvent::WindowActivate;
        }
    } no_activation;
    writeSettings("n_run=7\r\n");
    MainWindowDriver& window = create();
    window.window().installEventFilter(&no_activation);
    window.window().show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.attempts() == "7/0"; }, 2000));
    EXPECT_EQ(window.window().dialRun().attempts_left(), 7);
    window.window().removeEventFilter(&no_activation);
}

TEST_F(TForm1Test, PressingTheBackgroundDragsTheWindowButPressingAControlDoesNot) {
    MainWindowDriver& window = start();
    const QPoint start = window.window().pos();

    window.drag({12, 200}, {42, 220});
    EXPECT_EQ(window.window().pos(), start + QPoint(30, 20));

    // The keypad panel, a field and a button keep their presses to themselves; outside the
    // rounded corner the window is not there at all.
    const QPoint moved = window.window().pos();
    for (QPoint inside : {QPoint(30, 135), QPoint(100, 100), QPoint(120, 315), QPoint(2, 2)}) {
        window.drag(inside, inside + QPoint(25, 25));
        EXPECT_EQ(window.window().pos(), moved) << inside.x() << "," << inside.y();
    }
}

TEST_F(TForm1Test, TheExitButtonClosesTheWindowAfterSavingTheQuickDialList) {
    MainWindowDriver& window = start();
    window.press_exit();
    EXPECT_FALSE(window.shown());
    EXPECT_EQ(workFiles(), QStringList{"zvonmat.lst"});

    // A list that the file holds already is not written again, so leaving never fails on it.
    MainWindowDriver& again = start();
    blockFile("zvonmat.lst");
    again.press_exit();
    EXPECT_FALSE(again.shown());
}

// Start-up removes the temporary files that our interrupted saves left, and only ours.
TEST_F(TForm1Test, StartRemovesTheTemporaryFilesOfOurInterruptedSaves) {
    writeFile(workPath(".zvonmat-save.Ab12Cd"), "half a phone book");
    writeFile(workPath(".zvonmat-save.nobody"), "another user's");
    const bool given = ::chown(workPath(".zvonmat-save.nobody").toLocal8Bit(), 65534, 65534) == 0;
    create();
    EXPECT_EQ(workFiles().join(' ').toStdString(), given ? ".zvonmat-save.nobody" : "");
}

TEST_F(TForm1Test, ThePortIsPreselectedFromTheSettingsOnlyForOneToFour) {
    const struct {
        const char* port;
        serial::TCommPort expected;
    } kRows[] = {{"1", serial::TCommPort::Com1},
                 {"3", serial::TCommPort::Com3},
                 {"0", serial::TCommPort::Com4},
                 {"5", serial::TCommPort::Com4},
                 {"258", serial::TCommPort::Com2}};
    for (const auto& row : kRows) {
        writeSettings(QByteArray("port=") + row.port);
        const serial::TZRTComm32& port = create().port();
        EXPECT_EQ(port.CommPort, row.expected) << row.port;
        EXPECT_EQ(port.BaudRate, serial::TBaudRate::___2400);
        EXPECT_EQ(port.DataBits, serial::TDataBits::_8);
    }
}

TEST_F(TForm1Test, TheClockShowsAHundredMinutesWithoutClipping) {
    MainWindowDriver& window = start();
    window.window().cifir(6000);
    EXPECT_EQ(window.clock(), "100:00");
    const Control clock = window.control("Label1");
    EXPECT_GE(clock.geometry.width(), QFontMetrics(clock.font).horizontalAdvance("100:00"));
}

}  // namespace
