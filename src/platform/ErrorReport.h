#pragma once

#include <QString>
#include <exception>
#include <functional>
#include <utility>

// The one error report of the program. Every handler the program connects (clicks, ticks,
// receive events, window events) runs through guarded(): an exception that escapes it is shown
// to the user in a message box with its text, the rest of that handler is skipped, and the
// program goes on. Exceptions never unwind through Qt's own frames.
namespace platform {

using ErrorReporter = std::function<void(const QString& message)>;

// Shows `message` the way the program reports errors (a modal message box by default).
void report_error(const QString& message);

// Replaces the reporter (tests record messages instead of showing boxes); returns the old one.
ErrorReporter set_error_reporter(ErrorReporter reporter);

void report_exception(const std::exception& e);

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
