#include "platform/Beep.h"

#include <utility>

namespace platform {
namespace {

void silence() {}

std::function<void()>& handler() {
    static std::function<void()> h = silence;
    return h;
}

}  // namespace

void message_beep() {
    handler()();
}

std::function<void()> set_beep_handler(std::function<void()> beep) {
    if (!beep) {
        beep = silence;
    }
    return std::exchange(handler(), std::move(beep));
}

}  // namespace platform
