#include "Beep.h"

#include <QApplication>
#include <utility>

namespace platform {
namespace {

void system_beep() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr) {
        QApplication::beep();
    }
}

std::function<void()>& handler() {
    static std::function<void()> h = system_beep;
    return h;
}

}  // namespace

void message_beep() {
    handler()();
}

std::function<void()> set_beep_handler(std::function<void()> beep) {
    if (!beep) {
        beep = system_beep;
    }
    return std::exchange(handler(), std::move(beep));
}

}  // namespace platform
