#include "WidgetReports.h"

#include <QApplication>
#include <QMessageBox>

#include "Beep.h"
#include "ErrorReport.h"

namespace platform {
namespace {

bool have_widgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

void show_message_box(const QString& message) {
    if (!have_widgets()) {
        print_error(message);  // no widgets to show a box with (a tool without a GUI)
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("zvonmat"), message);
}

void desktop_beep() {
    if (have_widgets()) {
        QApplication::beep();
    }
}

}  // namespace

void install_widget_reports() {
    set_error_reporter(show_message_box);
    set_beep_handler(desktop_beep);
}

}  // namespace platform
