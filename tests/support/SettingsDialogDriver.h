#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QWidget;
class TForm3;

// Works the settings dialog as its user does: reads and retypes its fields, picks pulse or tone,
// presses keys, asks for help and presses its buttons. Controls are found by their layout names;
// the buttons run the dialog's own click handlers through a mouse click.
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

    explicit SettingsDialogDriver(TForm3& window);
    // The settings dialog that is the active modal window; throws std::runtime_error when there is
    // none.
    static SettingsDialogDriver active();

    TForm3& window() const { return *window_; }
    bool is_open() const;

    // What a field shows.
    QString text(Field field) const;
    QString port() const { return text(Field::Port); }
    QString wait_seconds() const { return text(Field::WaitSeconds); }
    QString attempts() const { return text(Field::Attempts); }
    QString prefix() const { return text(Field::Prefix); }
    QString init() const { return text(Field::Init); }
    QString busy_reply() const { return text(Field::BusyReply); }
    QString no_tone_reply() const { return text(Field::NoToneReply); }
    bool tone() const;

    // Replaces a field's text by key presses carrying the text (Cyrillic included).
    void type(Field field, const QString& text);
    void set_port(const QString& text) { type(Field::Port, text); }
    void set_wait_seconds(const QString& text) { type(Field::WaitSeconds, text); }
    void set_attempts(const QString& text) { type(Field::Attempts, text); }
    void set_prefix(const QString& text) { type(Field::Prefix, text); }
    void set_busy_reply(const QString& text) { type(Field::BusyReply, text); }
    void set_no_tone_reply(const QString& text) { type(Field::NoToneReply, text); }
    // Clicks "Tone" or "Pulse".
    void set_tone(bool tone);

    // A key pressed in a field.
    void press(Field field, Qt::Key key);
    // F1 in a field, which has the focus first.
    void help_for(Field field) { press(field, Qt::Key_F1); }
    // A click in "What's This?" mode on the field's text part.
    void whats_this(Field field);
    // The field's top-left corner on the screen, and its layout name.
    QPoint corner(Field field) const;
    QString name(Field field) const;

    void press_ok();
    void press_exit();   // "Выход"
    void choose_font();  // the font chooser's button

  private:
    QWidget* control(Field field) const;
    QWidget* control(const QString& name) const;
    void click(const QString& button);

    TForm3* window_;
};
