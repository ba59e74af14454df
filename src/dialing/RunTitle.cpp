#include "dialing/RunTitle.h"

#include <algorithm>
#include <string_view>

#include "dialing/DialRules.h"

namespace {

constexpr std::string_view kProgramName = "zvonmat";
constexpr std::string_view kSeparator = " \x97 ";                           // " — "
constexpr std::string_view kWaiting = "\xEE\xE6\xE8\xE4\xE0\xED\xE8\xE5 ";  // "ожидание "
constexpr std::string_view kAttempt = ", \xEF\xEE\xEF\xFB\xF2\xEA\xE0 ";    // ", попытка "
constexpr std::string_view kTalking = "\xF0\xE0\xE7\xE3\xEE\xE2\xEE\xF0 ";  // "разговор "
constexpr std::string_view kSpent =
    "\xEF\xEE\xEF\xFB\xF2\xEA\xE8 \xE8\xF1\xF7\xE5\xF0\xEF\xE0\xED\xFB";  // "попытки исчерпаны"
constexpr std::string_view kModemLost =
    "\xEC\xEE\xE4\xE5\xEC \xEE\xF2\xEA\xEB\xFE\xF7\xB8\xED";       // "модем отключён"
constexpr std::string_view kModemSaid = "\xEC\xEE\xE4\xE5\xEC: ";  // "модем: "

// What the run is doing, after the number; empty while nothing counts.
std::string state_text(const DialRun& run) {
    std::string what;
    switch (run.state()) {
        case DialRun::State::Idle:
            // Only a run that waits for a reply keeps one.
            if (!run.modem_reply().empty()) {
                what.append(kModemSaid).append(run.modem_reply());
            }
            break;
        case DialRun::State::Waiting: {
            const int max_attempts = run.settings().max_attempts;
            // attempts_left still counts the attempt that failed; it can exceed the configured
            // number when that was lowered during the run.
            const int attempt = std::max(1, max_attempts - int(run.attempts_left()) + 1);
            what.append(kWaiting)
                .append(cifir_text(run.settings().wait_seconds - run.elapsed_seconds()))
                .append(kAttempt)
                .append(std::to_string(attempt) + "/" + std::to_string(max_attempts));
            break;
        }
        case DialRun::State::Talking:
            what.append(kTalking).append(cifir_text(run.elapsed_seconds()));
            break;
        case DialRun::State::Spent:
            what = kSpent;
            break;
    }
    return what;
}

}  // namespace

std::string run_title(const DialRun& run) {
    // A modem gone away is told whatever the run does: a countdown that goes on cannot redial.
    const std::string what = run.modem_lost() ? std::string(kModemLost) : state_text(run);
    if (what.empty()) {
        return std::string(kProgramName);
    }
    const std::string& number = run.dialled_number();
    return number.empty() ? what : number + std::string(kSeparator) + what;
}
