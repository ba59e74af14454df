// The anchor: the smallest Qt Widgets program with a window of the same size, a label and a
// button, ending at its first paint.
#include <QApplication>
#include <QLabel>
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
    new FirstPaintProbe(&window);
    window.show();
    return QApplication::exec();
}
