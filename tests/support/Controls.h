#pragma once

#include <QString>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <stdexcept>

namespace zvonmat_test {

// A window's control by its layout name; a name the window lacks is a fault of the driver.
template <class T = QWidget>
T& control_of(const QWidget& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (found == nullptr) {
        throw std::logic_error(window.objectName().toStdString() + " has no " + name.toStdString());
    }
    return *found;
}

// The names of the first `count` controls that Tab visits in `window`, starting at the focused
// one (a numeric field's text part is named by its field).
inline QStringList tab_stops(QWidget& window, int count) {
    QStringList stops;
    for (QWidget* focus = window.focusWidget(); stops.size() < count;
         focus = window.focusWidget()) {
        stops << (focus->objectName().isEmpty() ? focus->parentWidget() : focus)->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    return stops;
}

}  // namespace zvonmat_test
