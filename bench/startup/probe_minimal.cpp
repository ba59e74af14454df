// The anchor: the smallest Qt Widgets program with a window of the same size, a label and a
// button, ending at its first paint; with --idle it stays open and idles after it. --line-edit
// adds a focused one-line text field (whose caret blinks), to tell that cost apart from the rest.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ProbeSignal.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(246, 339);
    new QLabel(QStringLiteral("00:00"), &window);
    auto* button = new QPushButton(QStringLiteral("OK"), &window);
    button->move(80, 304);
    if (QApplication::arguments().contains(QStringLiteral("--line-edit"))) {
        auto* field = new QLineEdit(&window);
        field->setGeometry(40, 120, 160, 21);
        field->setFocus();
    }
    new FirstPaintProbe(&window, QApplication::arguments().contains(QStringLiteral("--idle")));
    window.show();
    return QApplication::exec();
}
