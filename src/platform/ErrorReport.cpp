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

// Puts `replacement` in `slot`, or the line on stderr when it is empty; returns what was there.
ErrorReporter replace_message_hook(ErrorReporter& slot, ErrorReporter replacement) {
    return std::exchange(slot, replacement ? std::move(replacement) : ErrorReporter(print_error));
}

}  // namespace

void print_error(const QString& message) {
    std::fprintf(stderr, "zvonmat: %s\n", message.toLocal8Bit().constData());
}

void report_error(const QString& message) {
    reporter()(message);
}

ErrorReporter set_error_reporter(ErrorReporter replacement) {
    return replace_message_hook(reporter(), std::move(replacement));
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
    return replace_message_hook(informer(), std::move(replacement));
}

}  // namespace platform
