#include "windows/TForm3.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWhatsThis>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <tuple>

#include "controls/Gradbtns.h"
#include "platform/Beep.h"
#include "platform/Cp1251.h"
#include "platform/ErrorReport.h"
#include "platform/gui/Fonts.h"

namespace {

using Edit = std::function<void(TForm3&)>;
using Change = std::function<void(TSettings&)>;

// Replaces a field's text by key presses carrying the text (Cyrillic included).
void retype(QWidget* field, const QString& text) {
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void click(SpeedButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, {20, 10});
}

std::string cp1251(const char16_t* text) {
    return platform::toCp1251(QString::fromUtf16(text));
}

// Where the font chooser first opens.
QString firstFace() {
    return platform::installedFace(QStringLiteral("MS Sans Serif"));
}

// Each test runs in an empty working directory with the settings a missing file gives, counting
// beeps, saves and error reports.
class TForm3Test : public testing::Test {
  protected:
    void SetUp() override {
        old_cwd_ = std::filesystem::current_path();
        std::filesystem::current_path(work_.path().toStdString());
        old_beep_ = platform::set_beep_handler([this] { ++beeps_; });
        old_reporter_ = platform::set_error_reporter([this](const QString& m) { errors_ << m; });
    }
    void TearDown() override {
        form_.reset();
        platform::set_beep_handler(old_beep_);
        platform::set_error_reporter(old_reporter_);
        std::filesystem::current_path(old_cwd_);
    }

    TForm3& create() {
        form_ = std::make_unique<TForm3>(settings_, [this] { save_(); });
        form_->setFontChooser([this](const QFont& initial, QWidget*) {
            initial_faces_ << initial.family();
            return chosen_;
        });
        form_->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        return *form_;
    }

    QTemporaryDir work_;
    std::filesystem::path old_cwd_;
    const TSettings defaults_ = read_settings(work_.filePath("missing.ini").toStdString());
    TSettings settings_ = defaults_;
    int saves_ = 0;
    std::function<void()> save_ = [this] { ++saves_; };
    std::optional<QFont> chosen_;
    QStringList initial_faces_;
    int beeps_ = 0;
    QStringList errors_;
    std::function<void()> old_beep_;
    platform::ErrorReporter old_reporter_;
    std::unique_ptr<TForm3> form_;
};

// A change of one setting, and the typing of a text into one field.
template <class Field, class Value>
Change set(Field TSettings::*field, Value value) {
    return [=](TSettings& s) { s.*field = Field(value); };
}
template <class Control>
Edit type(Control* TForm3::*field, const QString& text) {
    return [=](TForm3& f) { retype(f.*field, text); };
}

TEST_F(TForm3Test, OkStoresTheFieldsWithinTheirRules) {
    using S = TSettings;
    using F = TForm3;
    const auto up_from_35 = [](TForm3& f) {
        retype(f.SpinEdit1, "35");
        QTest::keyClick(f.SpinEdit1, Qt::Key_Up);
        EXPECT_EQ(f.SpinEdit1->text(), "45");
    };
    const auto to_pulse = [](TForm3& f) { QTest::mouseClick(f.RadioButton1, Qt::LeftButton); };
    const auto long_replies = [](TForm3& f) {
        retype(f.Edit1, "busybusybusy");
        retype(f.Edit2, "нетгудканетгудканет!");
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
        {"empty attempts store 1", nullptr, type(&F::SpinEdit2, ""), set(&S::max_attempts, 1)},
        {"300 typed stores 240", nullptr, type(&F::SpinEdit1, "300"), set(&S::wait_seconds, 240)},
        {"35 typed stays 35", nullptr, type(&F::SpinEdit1, "35"), set(&S::wait_seconds, 35)},
        {"up arrow from 35 gives 45", nullptr, up_from_35, set(&S::wait_seconds, 45)},
        {"atdp loads as Tone, stores ATDT", set(&S::dial_command, "atdp"), nullptr,
         set(&S::dial_command, "ATDT")},
        {"Tone to Pulse stores ATDP", set(&S::dial_command, "ATDT"), to_pulse,
         set(&S::dial_command, "ATDP")},
        {"lower case loaded as capitals", set(&S::init_command, cp1251(u"atzж")), nullptr,
         set(&S::init_command, cp1251(u"ATZЖ"))},
        {"lower case typed as capitals", nullptr, type(&F::edit3, "9wщ"),
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
        TForm3& form = create();
        if (row.edit) {
            row.edit(form);
        }
        click(form.GradButton2);
        EXPECT_EQ(settings_, expected);
        EXPECT_EQ(saves_, 1);
        EXPECT_FALSE(form.isVisible());
        saves_ = 0;
    }
    EXPECT_EQ(create().Edit1->text(), "BUSYBUSYBU");  // the next opening shows the cut text
}

TEST_F(TForm3Test, ExitAndTheCloseBoxStoreNothingEnterAndEscapeDoNothing) {
    const struct {
        const char* name;
        Edit leave;
        bool closes;
    } kRows[] = {
        {"Выход", [](TForm3& f) { click(f.GradButton1); }, true},
        {"close box", [](TForm3& f) { f.close(); }, true},
        {"Enter", [](TForm3& f) { QTest::keyClick(f.SpinEdit1, Qt::Key_Return); }, false},
        {"Escape", [](TForm3& f) { QTest::keyClick(f.Edit1, Qt::Key_Escape); }, false},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        TForm3& form = create();
        retype(form.SpinEdit1, "60");
        row.leave(form);
        EXPECT_EQ(form.isVisible(), !row.closes);
        EXPECT_EQ(settings_, defaults_);
        EXPECT_EQ(saves_, 0);
    }
}

TEST_F(TForm3Test, AFailedWriteKeepsTheDialogOpenWithTheNewValuesInMemory) {
    save_ = [] { throw std::runtime_error("Unable to write to /ro/zvonmat.ini"); };
    TForm3& form = create();
    retype(form.SpinEdit1, "60");
    click(form.GradButton2);
    EXPECT_EQ(errors_, QStringList{"Unable to write to /ro/zvonmat.ini"});
    EXPECT_TRUE(form.isVisible());
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
    TForm3& form = create();
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        chosen_ = row.chosen ? std::optional(QFont(*row.chosen)) : std::nullopt;
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(settings_.font_name, platform::toCp1251(row.font_name));
        EXPECT_EQ(settings_.font_charset, row.font_charset);
        EXPECT_EQ(beeps_, row.beeps);
    }
    click(form.GradButton1);  // "Выход" keeps the choice
    EXPECT_EQ(settings_.font_name, platform::toCp1251(latin_only));
    EXPECT_EQ(initial_faces_, QStringList({firstFace(), cyrillic.front(), latin_only}));
}

TEST_F(TForm3Test, TheSystemFontChooserOffersTheFaceOnly) {
    TForm3& form = create();
    form.setFontChooser({});
    QString opened_on;
    int offered = 0;  // visible lists and effect boxes
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        opened_on = dialog->currentFont().family();
        for (const QWidget* w : dialog->findChildren<QWidget*>()) {
            offered += w->isVisible() && (qobject_cast<const QListView*>(w) != nullptr ||
                                          qobject_cast<const QCheckBox*>(w) != nullptr);
        }
        dialog->accept();
    });
    QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    EXPECT_EQ(opened_on, firstFace());
    EXPECT_EQ(offered, 1);  // the faces
    EXPECT_EQ(settings_.font_name, platform::toCp1251(firstFace()));
    EXPECT_EQ(beeps_, 1);
}

TEST_F(TForm3Test, HelpShowsTheControlsTopicAtItsTopLeftCorner) {
    std::ofstream("zvonmat.hlp") << "[2]\nport\n[3]\nwait\n[4]\npref\n";
    TForm3& form = create();
    QWidget* shown_for = nullptr;
    QPoint shown_at;
    QString shown;
    form.setHelpDisplay([&](const QPoint& at, const QString& topic, QWidget* control) {
        std::tie(shown_at, shown, shown_for) = std::tuple(at, topic, control);
    });
    const auto f1 = [](QWidget* w) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_F1);
    };
    const auto whats_this = [](QWidget* w) {
        QHelpEvent event(QEvent::WhatsThis, {3, 3}, w->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(w, &event);
    };
    const struct {
        const char* name;
        QWidget* asked;  // where the key or the click lands
        QWidget* field;  // the control whose topic shows, or none
        std::function<void(QWidget*)> ask;
        QString topic;
    } kRows[] = {
        {"F1 on the waiting time", form.SpinEdit1, form.SpinEdit1, f1, "wait"},
        {"F1 on the init command: the prefix's", form.Edit4, form.Edit4, f1, "pref"},
        {"F1 on a control without a context", form.RadioButton1, nullptr, f1, ""},
        {"help button on the port's text part", form.SpinEdit3->findChild<QLineEdit*>(),
         form.SpinEdit3, whats_this, "port"},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        std::tie(shown, shown_for) = std::tuple(QString(), nullptr);
        row.ask(row.asked);
        EXPECT_EQ(shown, row.topic);
        EXPECT_EQ(shown_for, row.field);
        if (row.field != nullptr) {
            EXPECT_EQ(shown_at, row.field->mapToGlobal(QPoint(0, 0)));
        }
    }
}

// The system's pop-up itself, offscreen: its top-left corner is the control's, unless the screen
// ends first.
TEST_F(TForm3Test, TheHelpPopUpOpensAtTheControlsTopLeftCornerWithinTheScreen) {
    std::ofstream("zvonmat.hlp") << "[2]\nport\n[3]\nwait\n[4]\n"
                                 << std::string(30, 'p') << " " << std::string(30, 'q') << "\n";
    TForm3& form = create();
    const QRect screen = form.screen()->availableGeometry();
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
        QWidget* field;
        QPoint window;  // where the dialog is
    } kRows[] = {
        {"prefix, a long topic", form.edit3, {100, 100}},
        {"waiting time, a short one", form.SpinEdit1, {100, 100}},
        {"near the screen's corner", form.SpinEdit1, screen.bottomRight() - QPoint(300, 60)},
    };
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.name);
        form.move(row.window);
        form.activateWindow();  // the last pop-up took it
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
        row.field->setFocus();
        QTest::keyClick(row.field, Qt::Key_F1);
        QWidget* shown = popup();
        ASSERT_NE(shown, nullptr);
        const QPoint corner = row.field->mapToGlobal(QPoint(0, 0));
        const QPoint expected(std::min(corner.x(), screen.right() + 1 - shown->width()),
                              std::min(corner.y(), screen.bottom() + 1 - shown->height()));
        EXPECT_EQ(shown->geometry().topLeft(), expected);
        EXPECT_TRUE(screen.contains(shown->geometry()));
        QWhatsThis::hideText();
        QApplication::processEvents();
    }
}

}  // namespace
