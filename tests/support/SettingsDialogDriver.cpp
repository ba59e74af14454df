#include "support/SettingsDialogDriver.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>

#include "windows/TForm3.h"

namespace {

using Field = SettingsDialogDriver::Field;

// The layout names of the fields, in the order of Field.
constexpr const char* kNames[] = {"SpinEdit3", "SpinEdit1", "SpinEdit2",    "edit3",       "Edit4",
                                  "Edit1",     "Edit2",     "RadioButton1", "RadioButton2"};

}  // namespace

SettingsDialogDriver::SettingsDialogDriver(TForm3& window) : window_(&window) {}

SettingsDialogDriver SettingsDialogDriver::active() {
    auto* window = qobject_cast<TForm3*>(QApplication::activeModalWidget());
    if (window == nullptr) {
        throw std::runtime_error("the settings dialog is not the active modal window");
    }
    return SettingsDialogDriver(*window);
}

bool SettingsDialogDriver::is_open() const {
    return window_->isVisible();
}

QString SettingsDialogDriver::name(Field field) const {
    return QLatin1String(kNames[static_cast<int>(field)]);
}

QWidget* SettingsDialogDriver::control(const QString& name) const {
    auto* found = window_->findChild<QWidget*>(name);
    if (found == nullptr) {
        throw std::runtime_error("the settings dialog has no control " + name.toStdString());
    }
    return found;
}

QWidget* SettingsDialogDriver::control(Field field) const {
    return control(name(field));
}

// A numeric field's text is that of its line edit.
QString SettingsDialogDriver::text(Field field) const {
    QWidget* widget = control(field);
    auto* edit = qobject_cast<QLineEdit*>(widget);
    return (edit != nullptr ? edit : widget->findChild<QLineEdit*>())->text();
}

bool SettingsDialogDriver::tone() const {
    return qobject_cast<QRadioButton*>(control(Field::Tone))->isChecked();
}

void SettingsDialogDriver::type(Field field, const QString& text) {
    QWidget* widget = control(field);
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_Backspace);
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void SettingsDialogDriver::set_tone(bool tone) {
    QTest::mouseClick(control(tone ? Field::Tone : Field::Pulse), Qt::LeftButton);
}

void SettingsDialogDriver::press(Field field, Qt::Key key) {
    QWidget* widget = control(field);
    widget->setFocus();
    QTest::keyClick(widget, key);
}

void SettingsDialogDriver::whats_this(Field field) {
    QWidget* widget = control(field);
    if (auto* text_part = widget->findChild<QLineEdit*>()) {
        widget = text_part;
    }
    QHelpEvent event(QEvent::WhatsThis, {3, 3}, widget->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(widget, &event);
}

QPoint SettingsDialogDriver::corner(Field field) const {
    return control(field)->mapToGlobal(QPoint(0, 0));
}

void SettingsDialogDriver::click(const QString& button) {
    QWidget* widget = control(button);
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

void SettingsDialogDriver::press_ok() {
    click(QStringLiteral("GradButton2"));
}

void SettingsDialogDriver::press_exit() {
    click(QStringLiteral("GradButton1"));
}

void SettingsDialogDriver::choose_font() {
    click(QStringLiteral("SpeedButton1"));
}
