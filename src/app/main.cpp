#include <QApplication>
#include <exception>

#include "CaretBlinkLimit.h"
#include "ErrorReport.h"
#include "TForm1.h"
#include "WidgetReports.h"

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
    platform::install_widget_reports();
    CaretBlinkLimit caret_blink;
    TForm1 Form1;
    Form1.show();
    Form1.activateWindow();
    return Application::exec();
}
