#include "app/TForm1.h"

#include "app/FormFixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <filesystem>
#include <memory>

#include "controls/Gradbtns.h"
#include "controls/Label.h"
#include "controls/Panel.h"
#include "platform/Beep.h"
#include "platform/ErrorReport.h"
#include "platform/MachineStore.h"
#include "platform/gui/Fonts.h"

namespace {

using namespace zvonmat_test;

class TForm1Test : public FormTest {};

struct Placement {
    const char* name;
    const char* parent;
    QRect geometry;
};

TEST_F(TForm1Test, EveryControlSitsAtItsPlaceInItsParent) {
    const Placement kLayout[] = {
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
    TForm1& form = create();
    EXPECT_EQ(form.size(), QSize(246, 339));
    for (const Placement& row : kLayout) {
        SCOPED_TRACE(row.name);
        auto* control = form.findChild<QWidget*>(QLatin1String(row.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.parent));
        if (qobject_cast<Label*>(control)) {
            // Labels grow to show their whole text in whatever face stands in for the layout's.
            EXPECT_EQ(control->pos(), row.geometry.topLeft());
            EXPECT_GE(control->width(), row.geometry.width());
            EXPECT_GE(control->height(), row.geometry.height());
        } else {
            EXPECT_EQ(control->geometry(), row.geometry);
        }
    }
}

TEST_F(TForm1Test, ControlsAreCreatedInLayoutOrderSoLaterOnesLieOnTop) {
    TForm1& form = create();
    auto names = [](const QWidget* parent) {
        QStringList list;
        for (const QObject* child : parent->children()) {
            if (child->isWidgetType()) {
                list << child->objectName();
            }
        }
        return list;
    };
    EXPECT_EQ(names(&form), (QStringList{"Image1", "Panel1", "Panel2", "Panel3", "Edit1", "Edit2",
                                         "ListBox1", "Comboedit2", "ComboEdit1", "Panel4"}));
    QStringList panel1 = {"Bevel1",          "Label1",          "Label2",
                          "Label3",          "GradButtonCopy1", "GradButtonCopy2",
                          "GradButtonCopy3", "Label4",          "Label5"};
    for (int i = 1; i <= 12; ++i) {
        panel1 << QStringLiteral("RxSpeedButton%1").arg(i);
    }
    EXPECT_EQ(names(form.Panel1), panel1);
}

TEST_F(TForm1Test, CaptionsColoursAndFontsFollowTheLayout) {
    TForm1& form = create();
    struct LabelRow {
        Label* label;
        QString text;
        QColor color;
        int pixel_size;
        bool bold;
    };
    const LabelRow kLabels[] = {
        {form.Label1, "00:00", QColor(0, 255, 0), 19, false},
        {form.Label2, "(м:с)", QColor(0, 255, 0), 11, true},
        {form.Label3, "Время разгов.", QColor(255, 255, 0), 11, false},
        {form.Label4, "Попыток", QColor(255, 255, 0), 11, false},
        {form.Label5, "0/0", QColor(0, 255, 0), 13, true},
    };
    for (const LabelRow& row : kLabels) {
        SCOPED_TRACE(row.label->objectName().toStdString());
        EXPECT_EQ(row.label->text(), row.text);
        EXPECT_EQ(row.label->palette().color(QPalette::WindowText), row.color);
        EXPECT_EQ(row.label->font().pixelSize(), row.pixel_size);
        EXPECT_EQ(row.label->font().bold(), row.bold);
    }

    const QString keys = QStringLiteral("123456789D0#");
    const int tags[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    for (int i = 0; i < 12; ++i) {
        auto* key = form.findChild<TGradButton*>(QStringLiteral("RxSpeedButton%1").arg(i + 1));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->Caption(), keys.mid(i, 1));
        EXPECT_EQ(key->Tag, tags[i]);
        EXPECT_EQ(key->GradColor(), QColor(Qt::black));
        EXPECT_EQ(key->FaceColor(), QColor(128, 128, 128));
        EXPECT_EQ(key->FontColor(), QColor(Qt::white));
    }

    EXPECT_EQ(form.GradButton1->Caption(), "Автодозвон");
    EXPECT_EQ(form.GradButton2->Caption(), "Разговор");
    EXPECT_EQ(form.GradButton3->Caption(), "Выход");
    EXPECT_EQ(form.GradButton1->GradColor(), QColor(192, 192, 192));
    EXPECT_EQ(form.GradButton3->GradColor(), QColor(128, 128, 128));
    for (TGradButtonCopy* copy :
         {form.GradButtonCopy1, form.GradButtonCopy2, form.GradButtonCopy3}) {
        EXPECT_EQ(copy->ButtonLink(), form.GradButton1);
        EXPECT_EQ(copy->FontColor(), QColor(255, 255, 0));
    }
    EXPECT_EQ(form.GradButtonCopy1->Caption(), "Set");
    EXPECT_EQ(form.GradButtonCopy2->Caption(), "Сброс");
    EXPECT_EQ(form.GradButtonCopy3->Caption(), "Журнал");
    EXPECT_EQ(form.GradButtonCopy2->Glyph().size(), QSize(16, 16));
    EXPECT_EQ(form.GradButtonCopy3->Glyph().size(), QSize(16, 16));
    EXPECT_EQ(form.BitBtn1->iconSize(), QSize(14, 12));
    EXPECT_EQ(form.BitBtn2->iconSize(), QSize(16, 16));

    EXPECT_EQ(form.Edit1->text(), "Абонент");
    EXPECT_EQ(form.Edit2->text(), "Телефон");
    EXPECT_FALSE(form.Edit1->isEnabled());
    EXPECT_TRUE(form.Edit1->isReadOnly());
    EXPECT_EQ(form.ComboEdit1->palette().color(QPalette::Base), QColor(240, 251, 255));
    EXPECT_EQ(form.Comboedit2->palette().color(QPalette::Base), QColor(192, 220, 192));
    EXPECT_TRUE(form.Comboedit2->text().isEmpty());
    EXPECT_TRUE(form.ComboEdit1->text().isEmpty());
    EXPECT_TRUE(form.ListBox1->isHidden());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_FALSE(form.Timer2->isActive());
    EXPECT_EQ(form.Timer1->interval(), 1000);
    EXPECT_EQ(form.Timer2->interval(), 1000);
}

TEST_F(TForm1Test, FocusStartsInTheNumberFieldAndOnlyTheFieldsTakeIt) {
    TForm1& form = createShown();
    EXPECT_EQ(QApplication::focusWidget(), form.Comboedit2);
    QTest::keyClick(form.Comboedit2, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.ComboEdit1);

    for (auto* button : form.findChildren<SpeedButton*>()) {
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->objectName().toStdString();
    }
    EXPECT_EQ(form.BitBtn1->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(form.BitBtn2->focusPolicy(), Qt::NoFocus);
    EXPECT_FALSE(form.Edit1->isEnabled());  // caption cells never take the focus
}

TEST_F(TForm1Test, StartsInAnEmptyDirectoryWithDefaultsOneBeepAndNoFile) {
    TForm1& form = createShown();
    EXPECT_EQ(beeps_, 1);
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
    EXPECT_TRUE(form.user_key.empty());
    EXPECT_EQ(form.work_dir, std::filesystem::current_path().native());
    EXPECT_EQ(form.settings.dial_prefix, "");  // the file's default, not the built-in value
    EXPECT_EQ(form.Label5->text(), "5/0");
    EXPECT_EQ(form.dialRun().attempts_left(), 5);
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(' ').toStdString();
}

TEST_F(TForm1Test, ReadsTheSettingsFileOfTheUserTheStoreNames) {
    writeFile(storePath(), "[1.0]\r\nme_users=ivanovich\r\n");
    writeFile(work_.filePath("zvonmativanovic.ini"),
              "[PARAM]\r\nn_run=7\r\nfnt=DejaVu Serif\r\npref_=9\r\n");
    writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nn_run=3\r\n");
    TForm1& form = createShown();
    EXPECT_EQ(form.user_key, "ivanovic");
    EXPECT_EQ(form.settings.max_attempts, 7);
    EXPECT_EQ(form.settings.dial_prefix, "9");
    EXPECT_EQ(form.Label5->text(), "7/0");
    EXPECT_EQ(form.GradButton1->font().family(), "DejaVu Serif");
}

TEST_F(TForm1Test, SetfontChangesTheFaceOfExactlyTheListedControls) {
    writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nfnt=DejaVu Serif\r\n");
    TForm1& form = create();
    const QList<QWidget*> followers = {form.GradButton1,     form.GradButton2,     form.GradButton3,
                                       form.GradButtonCopy2, form.GradButtonCopy3, form.Label3,
                                       form.Label4,          form.Edit1,           form.Edit2,
                                       form.ComboEdit1};
    for (QWidget* control : form.findChildren<QWidget*>()) {
        SCOPED_TRACE(control->objectName().toStdString());
        if (followers.contains(control)) {
            EXPECT_EQ(control->font().family(), "DejaVu Serif");
        } else {
            EXPECT_EQ(control->font().family(), platform::installedFace("MS Sans Serif"));
        }
    }
    // Size and style stay as designed.
    EXPECT_EQ(form.GradButton1->font().pixelSize(), 11);
    EXPECT_EQ(form.Label3->font().pixelSize(), 11);
}

TEST_F(TForm1Test, AStoreValueThatIsNotTextStopsStartUpButTheWindowRuns) {
    writeFile(storePath(), "[1.0]\r\nme_users=dword:00000001\r\n");
    writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nn_run=7\r\nfnt=DejaVu Serif\r\n");
    TForm1& form = createShown();
    ASSERT_EQ(errors_.size(), 1);
    EXPECT_EQ(errors_.front(), "Invalid data type for 'me_users'");
    EXPECT_EQ(beeps_, 0);
    EXPECT_FALSE(form.windowRegion().has_value());
    EXPECT_TRUE(form.mask().isEmpty());
    EXPECT_EQ(form.work_dir, std::filesystem::current_path().native());  // never the root
    EXPECT_EQ(form.settings, TSettings{});                               // the built-in values
    EXPECT_EQ(form.settings.dial_prefix, "9w9w");
    EXPECT_EQ(form.GradButton1->font().family(), platform::installedFace("MS Sans Serif"));
    EXPECT_EQ(form.Label5->text(), "5/0");

    // Without its shape nothing drags the window.
    const QPoint before = form.pos();
    dragOnWindow(form, {12, 200}, {60, 240});
    EXPECT_EQ(form.pos(), before);
}

TEST_F(TForm1Test, TheWindowIsARoundedRectangleWithCornersOfRadius75) {
    TForm1& form = create();
    ASSERT_TRUE(form.windowRegion().has_value());
    const QRegion& region = *form.windowRegion();
    EXPECT_EQ(region.boundingRect(), QRect(0, 0, 246, 339));
    EXPECT_EQ(form.mask(), region);
    EXPECT_TRUE(region.contains(QPoint(123, 170)));
    EXPECT_TRUE(region.contains(QPoint(0, 170)));
    EXPECT_TRUE(region.contains(QPoint(123, 0)));
    for (QPoint corner :
         {QPoint(2, 2), QPoint(243, 2), QPoint(2, 336), QPoint(243, 336), QPoint(20, 20)}) {
        EXPECT_FALSE(region.contains(corner)) << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(region.contains(QPoint(24, 24)));  // just inside the corner arc
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(TForm1Test, ActivationResetsTheRunOnlyTheFirstTime) {
    TForm1& form = createShown();
    EXPECT_EQ(form.Label5->text(), "5/0");
    EXPECT_EQ(form.Label3->text(), "Время разгов.");

    form.Label5->setText("5/3");
    form.settings.max_attempts = 9;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&form, &activate);
    EXPECT_EQ(form.Label5->text(), "5/3");
    EXPECT_EQ(form.dialRun().attempts_left(), 5);
}

// Where the desktop does not activate a new window, the run starts right after the first show.
TEST_F(TForm1Test, AWindowThatIsNeverActivatedStillStartsTheRun) {
    struct NoActivation : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            return event->type() == QEvent::WindowActivate;
        }
    } no_activation;
    writeFile(work_.filePath("zvonmat.ini"), "[PARAM]\r\nn_run=7\r\n");
    TForm1& form = create();
    form.installEventFilter(&no_activation);
    form.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.Label5->text() == "7/0"; }, 2000));
    EXPECT_EQ(form.dialRun().attempts_left(), 7);
    form.removeEventFilter(&no_activation);
}

TEST_F(TForm1Test, PressingTheBackgroundDragsTheWindowButPressingAControlDoesNot) {
    TForm1& form = createShown();
    const QPoint start = form.pos();

    dragOnWindow(form, {12, 200}, {42, 220});
    EXPECT_EQ(form.pos(), start + QPoint(30, 20));

    // The keypad panel, a field and a button keep their presses to themselves.
    const QPoint moved = form.pos();
    for (QPoint inside : {QPoint(30, 135), QPoint(100, 100), QPoint(120, 315)}) {
        dragOnWindow(form, inside, inside + QPoint(25, 25));
        EXPECT_EQ(form.pos(), moved) << inside.x() << "," << inside.y();
    }

    // Outside the rounded corner the window is not there at all.
    dragOnWindow(form, {2, 2}, {30, 30});
    EXPECT_EQ(form.pos(), moved);
}

TEST_F(TForm1Test, TheExitButtonClosesTheWindowAfterSavingTheQuickDialList) {
    TForm1& form = createShown();
    QTest::mouseClick(form.GradButton3, Qt::LeftButton, {}, {44, 12});
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(workFiles(), QStringList{"zvonmat.lst"});
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
        writeFile(work_.filePath("zvonmat.ini"), QByteArray("[PARAM]\r\nport=") + row.port);
        TForm1& form = create();
        EXPECT_EQ(form.Comm321->CommPort, row.expected) << row.port;
        EXPECT_EQ(form.Comm321->BaudRate, serial::TBaudRate::___2400);
        EXPECT_EQ(form.Comm321->DataBits, serial::TDataBits::_8);
    }
}

TEST_F(TForm1Test, TheClockShowsAHundredMinutesWithoutClipping) {
    TForm1& form = createShown();
    form.cifir(6000);
    EXPECT_EQ(form.Label1->text(), "100:00");
    EXPECT_GE(form.Label1->width(), QFontMetrics(form.Label1->font()).horizontalAdvance("100:00"));
}

}  // namespace
