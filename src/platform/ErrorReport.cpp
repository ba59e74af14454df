#include "platform/ErrorReport.h"

#include <cstdio>

namespace platform {
namespace {

ErrorReporter& reporter() {
    static ErrorReporter r = print_error;
    return r;
}

Questioner& questioner() {
    static Questioner q;
    return q;
}

Informer& informer() {
    static Informer i = print_error;
    return i;
}

}  // namespace

void print_error(const QString& message) {
    std::fprintf(stderr, "zvonmat: %s\n", message.toLocal8Bit().constData());
}

void report_error(const QString& message) {
    reporter()(message);
}

ErrorReporter set_error_reporter(ErrorReporter replacement) {
    if (!replacement) {
        replacement = print_error;
    }
    return std::exchange(reporter(), std::move(replacement));
}

void report_exception(const std::exception& e) {
    report_error(QString::fromUtf8(e.what()));
}

bool ask_yes_no(const QString& question) {
    return questioner() && questioner()(question);
}

Questioner set_questioner(Questioner replacement) {
    return std::exchange(questioner(), std::move(replacement));
}

void inform_user(const QString& message) {
    informer()(message);
}

Informer set_informer(Informer replacement) {
    if (!replacement) {
        replacement = print_error;
    }
    return std::exchange(informer(), std::move(replacement));
}

}  // namespace platform
