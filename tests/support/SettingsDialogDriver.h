#pragma once

#include <QPoint>
#include <QString>
#include <QTest>

#include "support/Controls.h"
#include "windows/TForm3.h"

// Works the settings dialog as its user does: reads and retypes its fields, picks pulse or tone,
// presses keys, asks for help and presses its buttons, which run the dialog's own click handlers.
class SettingsDialogDriver {
  public:
    // The fields, and the "Pulse" and "Tone" buttons.
    enum class Field {
        Port,
        WaitSeconds,
        Attempts,
        Prefix,
        Init,
        BusyReply,
        NoToneReply,
        Pulse,
        Tone
    };

    explicit SettingsDialogDriver(TForm3& window) : window_(&window) {}
    TForm3& window() const { return *window_; }
    bool is_open() const { return window_->isVisible(); }

    QString text(Field field) const;
    // Replaces the field's text by key presses carrying the new text (Cyrillic included).
    void type(Field field, const QString& text);
    void set_tone(bool tone) {
        QTest::mouseClick(&control(tone ? Field::Tone : Field::Pulse), Qt::LeftButton);
    }
    // A key pressed in the field, which takes the focus first (F1 asks for its help).
    void press(Field field, Qt::Key key);
    // A click in "What's This?" mode on the field's text part.
    void whats_this(Field field);
    // The field's top-left corner on the screen, and its layout name.
    QPoint corner(Field field) const { return control(field).mapToGlobal(QPoint(0, 0)); }
    QString name(Field field) const;

    void press_ok() { click("GradButton2"); }
    void press_exit() { click("GradButton1"); }  // "Выход"
    void choose_font() { click("SpeedButton1"); }
    QStringList tab_stops(int count) const { return zvonmat_test::tab_stops(*window_, count); }

  private:
    QWidget& control(Field field) const { return zvonmat_test::control_of(*window_, name(field)); }
    void click(const char* button) {
        QTest::mouseClick(&zvonmat_test::control_of(*window_, button), Qt::LeftButton);
    }

    TForm3* window_;
};
