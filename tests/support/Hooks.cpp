#include "support/Hooks.h"

#include <algorithm>
#include <utility>

#include "platform/Beep.h"
#include "serial/internal/CloseEvent.h"
#include "serial/internal/WorkerThread.h"

namespace zvonmat_test {

ScopedHooks::ScopedHooks()
    : old_reporter_(platform::set_error_reporter([this](const QString& m) { errors.append(m); })),
      old_questioner_(platform::set_questioner([this](const QString& question) {
          questions.append(question);
          return answer;
      })),
      old_beep_(platform::set_beep_handler([this] { ++beeps; })),
      old_notifier_(platform::set_notifier(
          [this](const QString& summary, const QString&) { notifications.append(summary); })),
      old_informer_(platform::set_informer([this](const QString& m) { information.append(m); })) {}

ScopedHooks::~ScopedHooks() {
    if (old_close_event_) {
        serial::CloseEvent::CreateFailure = std::move(*old_close_event_);
    }
    if (old_thread_start_) {
        serial::WorkerThread::StartFailure = std::move(*old_thread_start_);
    }
    if (old_debug_log_) {
        serial::SetDebugLog(std::move(*old_debug_log_));
    }
    platform::set_informer(std::move(old_informer_));
    platform::set_notifier(std::move(old_notifier_));
    platform::set_beep_handler(std::move(old_beep_));
    platform::set_questioner(std::move(old_questioner_));
    platform::set_error_reporter(std::move(old_reporter_));
}

void ScopedHooks::record_debug_log(std::function<void(std::string_view line)> on_line) {
    auto previous = serial::SetDebugLog([this, on_line](std::string_view line) {
        {
            std::lock_guard lock(debug_mutex_);
            debug_lines_.emplace_back(line);
        }
        if (on_line) {
            on_line(line);
        }
    });
    if (!old_debug_log_) {
        old_debug_log_ = std::make_unique<serial::DebugLogSink>(std::move(previous));
    }
}

std::vector<std::string> ScopedHooks::debug_lines() const {
    std::lock_guard lock(debug_mutex_);
    return debug_lines_;
}

bool ScopedHooks::has_debug_line(std::string_view line) const {
    std::lock_guard lock(debug_mutex_);
    return std::find(debug_lines_.begin(), debug_lines_.end(), line) != debug_lines_.end();
}

void ScopedHooks::fail_thread_starts(std::function<int()> failure) {
    auto previous = std::exchange(serial::WorkerThread::StartFailure, std::move(failure));
    if (!old_thread_start_) {
        old_thread_start_ = std::make_unique<std::function<int()>>(std::move(previous));
    }
}

void ScopedHooks::fail_close_event(std::function<int()> failure) {
    auto previous = std::exchange(serial::CloseEvent::CreateFailure, std::move(failure));
    if (!old_close_event_) {
        old_close_event_ = std::make_unique<std::function<int()>>(std::move(previous));
    }
}

}  // namespace zvonmat_test
