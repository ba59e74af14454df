// The dialler's own start-up, exactly as its entry runs it, ending at its first paint.
//
// With --dial NUMBER it stays instead: after the first paint it puts NUMBER into the number field
// and presses the auto-dial button, as a user would (the port opens, the modem is initialised
// and dialled), then idles with the port open, answering the modem as the dialler does. The
// harness is told once the dial line has gone out. --no-caret-blink (with --dial) keeps the
// text caret from blinking, to show what the idle dialler costs without it.
//
// --day RUNS (with --dial) makes a long day of it: whenever the modem answers CONNECT, the probe
// holds a conversation (the conversation button, and the prompt's button 200 ms later), which
// appends a journal record; it tells the harness after each conversation and a second later
// starts the next run with the auto-dial button, RUNS runs in all.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "ProbeSignal.h"
#include "app/TForm1.h"
#include "controls/CaretBlinkLimit.h"
#include "dialing/TForm4.h"
#include "serial/ZRTComm32.h"

namespace {

// Runs a step of the long day; a failure ends the probe, and the harness sees it end.
template <class Step>
void DayStep(Step step) {
    try {
        step();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "probe_zvonmat: %s\n", e.what());
        std::exit(1);
    }
}

class LongDay {
  public:
    LongDay(TForm1& form, int runs) : form_(form), runs_left_(runs) {
        // The window's own handler first, then the look for CONNECT.
        auto* port = form_.findChild<serial::TZRTComm32*>(QStringLiteral("Comm321"));
        auto deliver = port->OnReceiveData;
        port->OnReceiveData = [this, deliver](const void* buffer, std::uint16_t length) {
            deliver(buffer, length);
            const std::string_view chunk(static_cast<const char*>(buffer), length);
            if (chunk.find("CONNECT") != std::string_view::npos) {
                QTimer::singleShot(0, &form_, [this] { DayStep([this] { Converse(); }); });
            }
        };
    }

  private:
    void Converse() {
        QTimer::singleShot(200, &form_, [] {
            if (auto* prompt = qobject_cast<TForm4*>(QApplication::activeModalWidget())) {
                prompt->GradButton1Click();
            }
        });
        form_.GradButton2Click();  // returns once the prompt is closed and the record written
        SignalHarness();
        if (--runs_left_ > 0) {
            QTimer::singleShot(1000, &form_,
                               [this] { DayStep([this] { form_.GradButton1Click(); }); });
        }
    }

    TForm1& form_;
    int runs_left_;
};

}  // namespace

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
    std::unique_ptr<LongDay> day;
    if (const qsizetype runs = args.indexOf(QStringLiteral("--day"));
        runs >= 0 && runs + 1 < args.size()) {
        day = std::make_unique<LongDay>(Form1, args[runs + 1].toInt());
    }
    if (dial >= 0 && dial + 1 < args.size()) {
        const QString number = args[dial + 1];
        new FirstPaintProbe(&Form1, true, [&Form1, number] {
            try {
                Form1.findChild<QLineEdit*>(QStringLiteral("Comboedit2"))->setText(number);
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
