#include "ErrorReport.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace platform {
namespace {

void show_message_box(const QString& message) {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        // No widgets to show a box with (a test or a tool without a GUI).
        std::fprintf(stderr, "zvonmat: %s\n", message.toLocal8Bit().constData());
        return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("zvonmat"), message);
}

ErrorReporter& reporter() {
    static ErrorReporter r = show_message_box;
    return r;
}

}  // namespace

void report_error(const QString& message) {
    reporter()(message);
}

ErrorReporter set_error_reporter(ErrorReporter replacement) {
    if (!replacement) {
        replacement = show_message_box;
    }
    return std::exchange(reporter(), std::move(replacement));
}

void report_exception(const std::exception& e) {
    report_error(QString::fromUtf8(e.what()));
}

}  // namespace platform
