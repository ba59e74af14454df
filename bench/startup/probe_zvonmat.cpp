// The dialler's own start-up, exactly as its entry runs it, ending at its first paint.
//
// With --dial NUMBER it stays instead: after the first paint it puts NUMBER into the number field
// and presses the auto-dial button, as a user would (the port opens, the modem is initialised
// and dialled), then idles with the port open, answering the modem as the dialler does. The
// harness is told once the dial line has gone out. --no-caret-blink (with --dial) keeps the
// text caret from blinking, to show what the idle dialler costs without it.
#include <QApplication>
#include <QLineEdit>
#include <cstdio>
#include <exception>

#include "CaretBlinkLimit.h"
#include "ProbeSignal.h"
#include "TForm1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zvonmat"));
    CaretBlinkLimit caret_blink;
    TForm1 Form1;
    const QStringList args = QApplication::arguments();
    const qsizetype dial = args.indexOf(QStringLiteral("--dial"));
    if (args.contains(QStringLiteral("--no-caret-blink"))) {
        QApplication::setCursorFlashTime(0);
    }
    if (dial >= 0 && dial + 1 < args.size()) {
        const QString number = args[dial + 1];
        new FirstPaintProbe(&Form1, true, [&Form1, number] {
            try {
                Form1.Comboedit2->setText(number);
                Form1.GradButton1Click();
                return Form1.dialRun().port_open();
            } catch (const std::exception& e) {
                std::fprintf(stderr, "probe_zvonmat: %s\n", e.what());
                return false;
            }
        });
    } else {
        new FirstPaintProbe(&Form1);
    }
    Form1.show();
    Form1.activateWindow();
    return QApplication::exec();
}
