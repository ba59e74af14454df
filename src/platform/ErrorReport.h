#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <utility>

// The one error report of the program. Every handler the program connects (clicks, ticks,
// receive events, window events) runs through guarded(): an exception that escapes it is shown
// to the user with its text, the rest of that handler is skipped, and the program goes on.
// Exceptions never unwind through Qt's own frames.
//
// This part needs no widgets: the report goes to a replaceable reporter, which writes a line to
// stderr until the application installs the message box (install_widget_reports()). Questions
// to the user go the same way.
namespace platform {

using ErrorReporter = std::function<void(const QString& message)>;

// Shows `message` the way the program reports errors.
void report_error(const QString& message);

// Replaces the reporter (tests record messages instead of showing boxes); returns the old one.
// An empty reporter restores the line on stderr.
ErrorReporter set_error_reporter(ErrorReporter reporter);

// The reporter for a program without widgets: "zvonmat: <message>" on stderr.
void print_error(const QString& message);

void report_exception(const std::exception& e);

// Asks the user a question that has a yes and a no for an answer. Without widgets, or in a test
// that has not said otherwise, the answer is no: nothing is given up without being asked.
using Questioner = std::function<bool(const QString& question)>;
bool ask_yes_no(const QString& question);
Questioner set_questioner(Questioner questioner);

// Tells the user something that is no error (nothing to show yet, say); without widgets, or in a
// test that has not said otherwise, a line on stderr as for an error.
using Informer = std::function<void(const QString& message)>;
void inform_user(const QString& message);
Informer set_informer(Informer informer);

template <class F>
void guarded(F&& f) noexcept {
    try {
        std::forward<F>(f)();
    } catch (const std::exception& e) {
        report_exception(e);
    }
}

// Wraps a member function of `obj` into a slot-shaped callable that runs guarded.
template <class T, class R, class... Args>
auto handler(T* obj, R (T::*method)(Args...)) {
    return [obj, method](Args... args) { guarded([&] { (obj->*method)(args...); }); };
}

}  // namespace platform
