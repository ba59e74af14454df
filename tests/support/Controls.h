#pragma once

#include <QString>
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

}  // namespace zvonmat_test
