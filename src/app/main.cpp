#include <QApplication>
#include <exception>

#include "app/TForm1.h"
#include "controls/CaretBlinkLimit.h"
#include "platform/ErrorReport.h"
#include "platform/TerminationSignals.h"
#include "platform/gui/DesktopNotifications.h"
#include "platform/gui/QtTranslation.h"
#include "platform/gui/SingleInstance.h"
#include "platform/gui/WidgetReports.h"

namespace {

// Every handler of the program runs guarded and reports its own errors; this only catches what
// would otherwise end the program from inside Qt's event delivery.
class Application : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            platform::report_exception(e);
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    Application app(argc, argv);
    Application::setApplicationName(QStringLiteral("zvonmat"));
    // The toolkit's own texts (the font chooser, standard buttons) in Russian, as the program's.
    const auto translation = platform::loadQtTranslation(QLocale::system());
    if (translation) {
        Application::installTranslator(translation.get());
    }
    platform::install_widget_reports();
    // One dialler per working directory: a second start brings the first one's window forward,
    // or says that it runs where the desktop will not, and ends without touching any file.
    platform::SingleInstance instance(".");
    if (!instance.isFirst()) {
        if (!instance.askToRaise()) {
            platform::report_error(QStringLiteral("zvonmat уже запущен в этой папке."));
        }
        return 0;
    }
    platform::install_desktop_notifications();
    CaretBlinkLimit caret_blink;
    TForm1 Form1;
    instance.onRaiseRequest(
        [&Form1](const auto& answer) { platform::raise_window(&Form1, answer); });
    // A kill, Ctrl-C or the end of the session ends the program as its exit button would, with
    // nobody asked anything; whatever dialog is open ends with it.
    platform::TerminationSignals termination([&Form1](int) {
        Form1.endOnSignal();
        Application::exit(0);
    });
    Form1.show();
    Form1.activateWindow();
    return Application::exec();
}
