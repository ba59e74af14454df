// The dialler's own start-up, exactly as its entry runs it, ending at its first paint.
#include <QApplication>

#include "ProbeSignal.h"
#include "TForm1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zvonmat"));
    TForm1 Form1;
    new FirstPaintProbe(&Form1);
    Form1.show();
    Form1.activateWindow();
    return QApplication::exec();
}
