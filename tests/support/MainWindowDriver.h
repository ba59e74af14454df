#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "support/PhoneBookDriver.h"
#include "support/SettingsDialogDriver.h"

class QLineEdit;
class QListWidget;
class TForm1;
namespace serial {
class TZRTComm32;
}

namespace zvonmat_test {

// Runs `inside` on the modal window that `open` brings up, once it is shown; the window is closed
// afterwards, whatever `inside` did, so that the modal loop ends.
template <class Window>
void with_modal(const std::function<void()>& open, const std::function<void(Window&)>& inside) {
    bool ran = false;
    QTimer::singleShot(200, [&] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (window == nullptr) {
            ADD_FAILURE() << "no modal " << Window::staticMetaObject.className() << " is shown";
            return;
        }
        inside(*window);
        ran = true;
        window->close();
    });
    open();
    EXPECT_TRUE(ran);
}

// One control of the main window, as a test of the layout, the looks or the accessibility sees
// it. Fields that do not apply to its kind stay empty.
struct Control {
    QString name;    // the object name, as in the layout
    QString parent;  // the parent's object name
    QString kind;    // the class: "Label", "TGradButton", "QLineEdit", ...
    QRect geometry;  // within the parent
    QString text;    // a label's or a field's text, a drawn button's caption
    QColor text_color;
    QColor base_color;  // a field's background
    QColor grad_color;  // a gradient button's
    QColor face_color;
    QString linked_to;  // the gradient button that a button copy takes its looks from
    int tag = 0;
    QSize glyph_size;  // a drawn button's glyph, a tool button's icon
    QFont font;
    bool enabled = true;
    bool read_only = false;
    bool hidden = false;
    bool takes_focus = false;
    bool is_button = false;  // a drawn or a tool button
    QString tooltip;
    QAccessible::Role role = QAccessible::NoRole;
    QString accessible_name;
    QString accessible_description;
    QString accessible_text;  // what a screen reader reads of its text
};

// What the end-of-conversation prompt shows while it is up.
struct Prompt {
    QRect geometry;
    bool frameless = false;
    QString text;
};

// The main window driven as its user drives it: typing into the two fields, pressing the keypad
// and the buttons, picking from the quick-dial list, reading the displays. It finds the controls
// by their object names and calls the window's public handlers; tests say what the user does
// and sees, and leave the layout to this class.
class MainWindowDriver {
  public:
    enum class Field { Number, Subscriber, Other };

    explicit MainWindowDriver(TForm1& window) : window_(window) {}

    TForm1& window() const { return window_; }

    // The layout and the looks.
    std::vector<Control> controls() const;  // every widget in the window, parents first
    Control control(const QString& name) const;
    QStringList child_names(const QString& parent) const;  // in creation order

    // The two entry fields and the keypad.
    void type_number(const QString& text);  // replaces the field's text, as typed by hand
    void type_subscriber(const QString& text);
    void press_key(QChar caption);  // a keypad key: 0-9, "D" or "#"
    void key_click(Field field, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    QString number() const;
    QString subscriber() const;
    bool number_has_selection() const;
    int number_cursor() const;
    Field focused_field() const;

    // The buttons.
    void press_auto_dial();
    void press_reset();
    void press_journal();
    void press_exit();
    // Presses «Разговор»; `end_after_ms` later `while_shown` sees the prompt and the prompt's
    // button ends the conversation. Returns, once it is over, the clock as it stood then.
    QString press_conversation(int end_after_ms,
                               const std::function<void(const Prompt&)>& while_shown = {});
    // Opens the dialog, runs `inside` on it once it is shown, and closes it if `inside` did not.
    void open_settings(const std::function<void(SettingsDialogDriver&)>& inside);
    void open_phone_book(const std::function<void(PhoneBookDriver&)>& inside);

    // The quick-dial list.
    void press_quick_list();  // its button: shows the list, or hides it
    bool quick_list_shown() const;
    QStringList quick_list() const;
    void set_quick_list(const QStringList& entries);
    void remember_number();              // puts the number at the top of the list, as a dial does
    void pick_from_quick_list(int row);  // a click and a double click on the row
    void double_click_quick_list(QPoint at);
    void right_click_quick_list(QPoint at);
    bool quick_list_has_selection() const;

    // The displays and the timers.
    QString clock() const;
    QString caption() const;  // above the clock: what the clock counts
    QString attempts() const;
    QString title() const;
    bool countdown_ticking() const;
    bool conversation_ticking() const;
    std::vector<int> tick_intervals() const;  // the countdown's and the conversation's, in ms

    // The window itself: pressed at `from` and released at `to` (window coordinates), through
    // the window system, so that the press goes to whatever lies under the point.
    void drag(QPoint from, QPoint to);
    void activate();  // the desktop activates the window again
    bool shown() const;

    // The serial port the window dials on, and a way to put a device behind it.
    serial::TZRTComm32& port() const;
    void route_port_to(const std::string& device);

  private:
    template <class T>
    T& find(const char* name) const;
    QLineEdit& field(Field which) const;
    QListWidget& list() const;

    TForm1& window_;
};

}  // namespace zvonmat_test
