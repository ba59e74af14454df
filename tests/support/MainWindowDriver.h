#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "serial/ZRTComm32.h"
#include "support/Controls.h"
#include "support/PhoneBookDriver.h"
#include "support/SettingsDialogDriver.h"

class TForm1;

namespace zvonmat_test {

// One control of a window, as a test of the layout, the looks or the accessibility sees
// it. Fields that do not apply to its kind stay empty.
struct Control {
    QString name, parent;  // object names, as in the layout
    QString kind;          // the class: "Label", "TGradButton", "QLineEdit", ...
    QRect geometry;        // within the parent
    QString text;          // a label's, a field's or a button's text, a drawn button's caption
    QColor text_color, base_color, grad_color, face_color;  // base: a field's background
    QString linked_to;  // the gradient button that a button copy takes its looks from
    int tag = 0;
    QSize glyph_size;  // a drawn button's glyph, a tool button's icon
    QFont font;
    bool enabled = true, read_only = false, hidden = false, takes_focus = false;
    bool is_button = false;  // a drawn or a tool button (not a radio button)
    QString tooltip;
    QAccessible::Role role = QAccessible::NoRole;
    QString accessible_name, accessible_description, accessible_text;
};

// Every widget in `window`, parents first, as the layout, the looks and the accessibility see it.
std::vector<Control> controls_of(const QWidget& window);

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

    explicit MainWindowDriver(TForm1& window);
    TForm1& window() const { return window_; }

    // The layout and the looks: every widget in the window (parents first), one by its name, and
    // a parent's children in creation order ("Form1" for the window's own).
    std::vector<Control> controls() const { return controls_of(root_); }
    Control control(const QString& name) const;
    QStringList child_names(const QString& parent) const;

    // The two entry fields (typing replaces the text, as typed by hand) and the keypad's keys
    // 0-9, "D" and "#".
    void type_number(const QString& text) { field(Field::Number).setText(text); }
    void type_subscriber(const QString& text) { field(Field::Subscriber).setText(text); }
    void press_key(QChar caption);
    void key_click(Field which, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
    QString number() const { return field(Field::Number).text(); }
    QString subscriber() const { return field(Field::Subscriber).text(); }
    bool number_has_selection() const { return field(Field::Number).hasSelectedText(); }
    int number_cursor() const { return field(Field::Number).cursorPosition(); }
    Field focused_field() const;

    // The buttons.
    void press_auto_dial() { click("GradButton1", {40, 12}); }
    void press_reset() { click("GradButtonCopy2", {20, 12}); }
    void press_journal() { click("GradButtonCopy3", {40, 12}); }
    void press_exit() { click("GradButton3", {44, 12}); }
    // Presses «Разговор»; `end_after_ms` later `while_shown` sees the prompt and the prompt's
    // button ends the conversation. Returns, once it is over, the clock as it stood then.
    QString press_conversation(int end_after_ms,
                               const std::function<void(const Prompt&)>& while_shown = {});
    // Opens the dialog, runs `inside` on it once it is shown, and closes it if `inside` did not.
    void open_settings(const std::function<void(SettingsDialogDriver&)>& inside);
    void open_phone_book(const std::function<void(PhoneBookDriver&)>& inside);

    // The quick-dial list: its button shows or hides it; remember_number puts the number at its
    // top, as a dial does; picking a row is a click and a double click on it.
    void press_quick_list() { click("BitBtn1"); }
    bool quick_list_shown() const { return list().isVisible(); }
    QStringList quick_list() const;
    void set_quick_list(const QStringList& entries) {
        list().clear();
        list().addItems(entries);
    }
    void remember_number();
    void pick_from_quick_list(int row);
    void double_click_quick_list(QPoint at) {
        QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, at);
    }
    void right_click_quick_list(QPoint at) {
        QTest::mouseClick(list().viewport(), Qt::RightButton, {}, at);
    }
    bool quick_list_has_selection() const { return !list().selectedItems().isEmpty(); }
    // A key pressed in the list, which has the focus and `row` selected.
    void key_click_quick_list(int row, Qt::Key key) {
        list().setFocus();
        list().setCurrentRow(row);
        QTest::keyClick(&list(), key);
    }

    // The displays (the caption above the clock says what it counts) and the timers.
    QString clock() const { return find<QLabel>("Label1").text(); }
    QString caption() const { return find<QLabel>("Label3").text(); }
    QString attempts() const { return find<QLabel>("Label5").text(); }
    QString title() const { return root_.windowTitle(); }
    bool countdown_ticking() const { return find<QTimer>("Timer1").isActive(); }
    bool conversation_ticking() const { return find<QTimer>("Timer2").isActive(); }
    std::vector<int> tick_intervals() const {
        return {find<QTimer>("Timer1").interval(), find<QTimer>("Timer2").interval()};
    }

    // The window itself: pressed at `from` and released at `to` (window coordinates) through the
    // window system, so that the press goes to whatever lies under the point; activated again
    // by the desktop.
    void drag(QPoint from, QPoint to);
    void activate();
    bool shown() const { return root_.isVisible(); }

    // The serial port the window dials on, and a device to put behind it.
    serial::TZRTComm32& port() const { return find<serial::TZRTComm32>("Comm321"); }
    void route_port_to(const std::string& device) {
        port().DeviceResolver = [device](serial::TCommPort) { return device; };
    }

  private:
    template <class T = QWidget>
    T& find(const QString& name) const {
        return control_of<T>(root_, name);
    }
    QLineEdit& field(Field which) const {
        return find<QLineEdit>(which == Field::Subscriber ? "ComboEdit1" : "Comboedit2");
    }
    QListWidget& list() const { return find<QListWidget>("ListBox1"); }
    void click(const QString& name, QPoint at = {}) {  // at the centre without `at`
        QTest::mouseClick(&find(name), Qt::LeftButton, {}, at);
    }

    TForm1& window_;
    QWidget& root_;  // the window as a widget
};

}  // namespace zvonmat_test
