#include "windows/TForm3.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWhatsThis>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "platform/Cp1251.h"
#include "platform/gui/Fonts.h"
#include "support/Hooks.h"
#include "support/SettingsDialogDriver.h"
#include "support/WorkDir.h"

namespace {

using Field = SettingsDialogDriver::Field;
using Edit = std::function<void(SettingsDialogDriver&)>;
using Change = std::function<void(TSettings&)>;

std::string cp1251(const char16_t* text) {
    return platform::toCp1251(QString::fromUtf16(text));
}

// Where the font chooser first opens.
QString firstFace() {
    return platform::installedFace(QStringLiteral("MS Sans Serif"));
}

// A change of one setting, and the typing of a text into one field.
template <class Member, class Value>
Change set(Member TSettings::*member, Value value) {
    return [=](TSettings& s) { s.*member = Member(value); };
}
Edit typed(Field field, const QString& text) {
    return [=](SettingsDialogDriver& d) { d.type(field, text); };
}

// Each test runs in an empty working directory with the settings a missing file gives, counting
// beeps, saves and error reports.
class TForm3Test : public testing::Test {
  protected:
    // A new dialog on settings_, shown and active, whose font chooser answers chosen_.
    SettingsDialogDriver create() {
        form_ = std::make_unique<TForm3>(settings_, [this] { save_(); });
        form_->setFontChooser([this](const QFont& initial, QWidget*) {
            initial_faces_ << initial.family();
            return chosen_;
        });
        form_->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        return SettingsDialogDriver(*form_);
    }

    zvonmat_test::ScopedHooks hooks_;
    zvonmat_test::ScopedWorkDir work_;
    const TSettings defaults_ = read_settings(work_.path("missing.ini").toStdString());
    TSettings settings_ = defaults_;
    int saves_ = 0;
    std::function<void()> save_ = [this] { ++saves_; };
    std::optional<QFont> chosen_;
    QStringList initial_faces_;
    std::unique_ptr<TForm3> form_;
};

TEST_F(TForm3Test, OkStoresTheFieldsWithinTheirRules) {
    using S = TSettings;
    const auto up_from_35 = [](SettingsDialogDriver& d) {
        d.type(Field::WaitSeconds, "35");
        d.press(Field::WaitSeconds, Qt::Key_Up);
        EXPECT_EQ(d.text(Field::WaitSeconds), "45");
    };
    const auto long_replies = [](SettingsDialogDriver& d) {
        d.type(Field::BusyReply, "busybusybusy");
        d.type(Field::NoToneReply, "нетгудканетгудканет!");
    };
    const auto cut_replies = [](TSettings& s) {
        s.busy_reply = "BUSYBUSYBU";
        s.no_tone_reply = cp1251(u"НЕТГУДКАНЕТГУДК");
    };
    const struct {
        const char* name;
        Change stored;
        Edit edit;
        Change expected;  // applied to what was stored
    } kRows[] = {
        {"port 7 stores 4", set(&S::com_port, 7), nullptr, set(&S::com_port, 4)},
        {"attempts 0 store 1", set(&S::max_attempts, 0), nullptr, set(&S::max_attempts, 1)},
        {"wait 300 stores 240", set(&S::wait_seconds, 300), nullptr, set(&S::wait_seconds, 240)},
        {"empty attempts store 1", nullptr, typed(Field::Attempts, ""), set(&S::max_attempts, 1)},
        {"300 typed stores 240", nullptr, typed(Field::WaitSeconds, "300"),
         set(&S::wait_seconds, 240)},
        {"35 typed stays 35", nullptr, typed(Field::WaitSeconds, "35"), set(&S::wait_seconds, 35)},
        {"up arrow from 35 gives 45", nullptr, up_from_35, set(&S::wait_seconds, 45)},
        {"atdp loads as Tone, stores ATDT", set(&S::dial_command, "atdp"), nullptr,
         set(&S::dial_command, "ATDT")},
        {"Tone to Pulse stores ATDP", set(&S::dial_command, "ATDT"),
         [](SettingsDialogDriver& d) { d.set_tone(false); }, set(&S::dial_command, "ATDP")},
        {"lower case loaded as capitals", set(&S::init_command, cp1251(u"atzж")), nullptr,
         set(&S::init_command, cp1251(u"ATZЖ"))},
        {"lower case typed as capitals", nullptr, typed(Field::Prefix, "9wщ"),
         set(&S::dial_prefix, cp1251(u"9WЩ"))},
        {"replies cut to 10 and 15", nullptr, long_replies, cut_replies},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        settings_ = defaults_;
        if (row.stored) {
            row.stored(settings_);
        }
        TSettings expected = settings_;
        row.expected(expected);
        SettingsDialogDriver dialog = create();
        if (row.edit) {
            row.edit(dialog);
        }
        dialog.press_ok();
        EXPECT_EQ(settings_, expected);
        EXPECT_EQ(saves_, 1);
        EXPECT_FALSE(dialog.is_open());
        saves_ = 0;
    }
    EXPECT_EQ(create().text(Field::BusyReply),
              "BUSYBUSYBU");  // the next opening shows the cut text
}

TEST_F(TForm3Test, ExitAndTheCloseBoxStoreNothingEnterAndEscapeDoNothing) {
    const struct {
        const char* name;
        Edit leave;
        bool closes;
    } kRows[] = {
        {"Выход", [](SettingsDialogDriver& d) { d.press_exit(); }, true},
        {"close box", [](SettingsDialogDriver& d) { d.window().close(); }, true},
        {"Enter", [](SettingsDialogDriver& d) { d.press(Field::WaitSeconds, Qt::Key_Return); },
         false},
        {"Escape", [](SettingsDialogDriver& d) { d.press(Field::BusyReply, Qt::Key_Escape); },
         false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        SettingsDialogDriver dialog = create();
        dialog.type(Field::WaitSeconds, "60");
        row.leave(dialog);
        EXPECT_EQ(dialog.is_open(), !row.closes);
        EXPECT_EQ(settings_, defaults_);
        EXPECT_EQ(saves_, 0);
    }
}

TEST_F(TForm3Test, TabReachesTheFontButtonOkAndExitAfterTheFields) {
    EXPECT_EQ(create().tab_stops(12).mid(5),
              (QStringList{"RadioButton1", "SpeedButton1", "GradButton2", "GradButton1", "Edit1",
                           "Edit2", "SpinEdit1"}));
}

TEST_F(TForm3Test, AFailedWriteKeepsTheDialogOpenWithTheNewValuesInMemory) {
    save_ = [] { throw std::runtime_error("Unable to write to /ro/zvonmat.ini"); };
    SettingsDialogDriver dialog = create();
    dialog.type(Field::WaitSeconds, "60");
    dialog.press_ok();
    EXPECT_EQ(hooks_.errors, QStringList{"Unable to write to /ro/zvonmat.ini"});
    EXPECT_TRUE(dialog.is_open());
    EXPECT_EQ(settings_.wait_seconds, 60);
}

TEST_F(TForm3Test, AConfirmedFontGoesIntoTheSettingsAtOnceWithOneBeep) {
    const QStringList cyrillic = QFontDatabase::families(QFontDatabase::Cyrillic);
    QString latin_only = QStringLiteral("No Such Face");
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        latin_only = cyrillic.contains(family) ? latin_only : family;
    }
    ASSERT_FALSE(cyrillic.isEmpty());
    const struct {
        const char* name;
        std::optional<QString> chosen;
        QString font_name;
        int font_charset;
        int beeps;
    } kRows[] = {
        {"a face covering Cyrillic", cyrillic.front(), cyrillic.front(), 204, 1},
        {"a face without Cyrillic", latin_only, latin_only, 0, 2},
        {"cancelled: nothing changes, no beep", std::nullopt, latin_only, 0, 2},
    };
    SettingsDialogDriver dialog = create();
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        chosen_ = row.chosen ? std::optional(QFont(*row.chosen)) : std::nullopt;
        dialog.choose_font();
        EXPECT_EQ(settings_.font_name, platform::toCp1251(row.font_name));
        EXPECT_EQ(settings_.font_charset, row.font_charset);
        EXPECT_EQ(hooks_.beeps, row.beeps);
    }
    dialog.press_exit();  // "Выход" keeps the choice
    EXPECT_EQ(settings_.font_name, platform::toCp1251(latin_only));
    EXPECT_EQ(initial_faces_, QStringList({firstFace(), cyrillic.front(), latin_only}));
}

TEST_F(TForm3Test, TheSystemFontChooserOffersTheFaceOnly) {
    SettingsDialogDriver dialog = create();
    dialog.window().setFontChooser({});
    QString opened_on;
    int offered = 0;  // visible lists and effect boxes
    bool sample_seen = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        opened_on = chooser->currentFont().family();
        for (const QWidget* w : chooser->findChildren<QWidget*>()) {
            offered += w->isVisible() && (qobject_cast<const QListView*>(w) != nullptr ||
                                          qobject_cast<const QCheckBox*>(w) != nullptr);
            const auto* sample = qobject_cast<const QLineEdit*>(w);  // the face's, to be read
            sample_seen |= sample && qobject_cast<const QGroupBox*>(w->parent()) &&
                           w->isVisible() && !sample->text().isEmpty() &&
                           w->height() >= w->fontMetrics().height();
        }
        chooser->accept();
    });
    dialog.choose_font();
    EXPECT_EQ(opened_on, firstFace());
    EXPECT_EQ(offered, 1);  // the faces
    EXPECT_TRUE(sample_seen);
    EXPECT_EQ(settings_.font_name, platform::toCp1251(firstFace()));
    EXPECT_EQ(hooks_.beeps, 1);
}

TEST_F(TForm3Test, HelpShowsTheControlsTopicAtItsTopLeftCorner) {
    std::ofstream("zvonmat.hlp") << "[2]\nport\n[3]\nwait\n[4]\npref\n";
    SettingsDialogDriver dialog = create();
    QString shown_for, shown;
    QPoint shown_at;
    dialog.window().setHelpDisplay([&](const QPoint& at, const QString& topic, QWidget* control) {
        std::tie(shown_at, shown, shown_for) = std::tuple(at, topic, control->objectName());
    });
    const struct {
        const char* name;
        Field field;
        bool f1;        // F1, or a click with the help button on the field's text part
        QString topic;  // how the topic starts; none: no topic shows
    } kRows[] = {
        {"F1 on the waiting time", Field::WaitSeconds, true, "wait"},
        {"F1 on the init command: the prefix's", Field::Init, true, "pref"},
        {"F1 on a control without a context", Field::Pulse, true, ""},
        {"help button on the port's text part, naming its device", Field::Port, false,
         "port\n\nCOM4 → "},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        std::tie(shown, shown_for, shown_at) = std::tuple(QString(), QString(), QPoint());
        row.f1 ? dialog.press(row.field, Qt::Key_F1) : dialog.whats_this(row.field);
        EXPECT_TRUE(row.topic.isEmpty() ? shown.isEmpty() : shown.startsWith(row.topic))
            << shown.toStdString();
        if (!row.topic.isEmpty()) {
            EXPECT_EQ(shown_for, dialog.name(row.field));
            EXPECT_EQ(shown_at, dialog.corner(row.field));
        }
    }
    // Hovering the port names its device too.
    EXPECT_TRUE(dialog.window()
                    .findChild<QWidget*>(dialog.name(Field::Port))
                    ->toolTip()
                    .startsWith(QStringLiteral("COM4 → ")));
}

// The system's pop-up itself, offscreen: its top-left corner is the control's, unless the screen
// ends first.
TEST_F(TForm3Test, TheHelpPopUpOpensAtTheControlsTopLeftCornerWithinTheScreen) {
    std::ofstream("zvonmat.hlp") << "[2]\nport\n[3]\nwait\n[4]\n"
                                 << std::string(30, 'p') << " " << std::string(30, 'q') << "\n";
    SettingsDialogDriver dialog = create();
    const QRect screen = dialog.window().screen()->availableGeometry();
    const auto popup = [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && QByteArray(w->metaObject()->className()) == "QWhatsThat") {
                return w;
            }
        }
        return static_cast<QWidget*>(nullptr);
    };
    const struct {
        const char* name;
        Field field;
        QPoint window;  // where the dialog is
    } kRows[] = {
        {"prefix, a long topic", Field::Prefix, {100, 100}},
        {"waiting time, a short one", Field::WaitSeconds, {100, 100}},
        {"near the screen's corner", Field::WaitSeconds, screen.bottomRight() - QPoint(300, 60)},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        dialog.window().move(row.window);
        dialog.window().activateWindow();  // the last pop-up took it
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog.window()));
        dialog.press(row.field, Qt::Key_F1);
        QWidget* shown = popup();
        ASSERT_NE(shown, nullptr);
        const QPoint corner = dialog.corner(row.field);
        const QPoint expected(std::min(corner.x(), screen.right() + 1 - shown->width()),
                              std::min(corner.y(), screen.bottom() + 1 - shown->height()));
        EXPECT_EQ(shown->geometry().topLeft(), expected);
        EXPECT_TRUE(screen.contains(shown->geometry()));
        QWhatsThis::hideText();
        QApplication::processEvents();
    }
}

}  // namespace
