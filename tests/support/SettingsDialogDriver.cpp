#include "support/SettingsDialogDriver.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>

QString SettingsDialogDriver::name(Field field) const {
    constexpr const char* kNames[] = {"SpinEdit3", "SpinEdit1",    "SpinEdit2",
                                      "edit3",     "Edit4",        "Edit1",
                                      "Edit2",     "RadioButton1", "RadioButton2"};
    return QLatin1String(kNames[static_cast<int>(field)]);
}

// A numeric field's text is that of its line edit.
QString SettingsDialogDriver::text(Field field) const {
    QWidget& widget = control(field);
    auto* edit = qobject_cast<QLineEdit*>(&widget);
    return (edit != nullptr ? edit : widget.findChild<QLineEdit*>())->text();
}

void SettingsDialogDriver::type(Field field, const QString& text) {
    QWidget& widget = control(field);
    QTest::keyClick(&widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&widget, Qt::Key_Backspace);
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void SettingsDialogDriver::press(Field field, Qt::Key key) {
    control(field).setFocus();
    QTest::keyClick(&control(field), key);
}

void SettingsDialogDriver::whats_this(Field field) {
    QWidget* widget = &control(field);
    if (auto* text_part = widget->findChild<QLineEdit*>()) {
        widget = text_part;
    }
    QHelpEvent event(QEvent::WhatsThis, {3, 3}, widget->mapToGlobal(QPoint(3, 3)));
    QApplication::sendEvent(widget, &event);
}
