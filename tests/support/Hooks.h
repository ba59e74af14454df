#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ErrorReport.h"
#include "platform/Notification.h"
#include "serial/internal/DebugLog.h"

namespace zvonmat_test {

// The program's replaceable hooks, replaced for the length of a scope and put back as they were
// when it ends. From the start, error reports, information, questions to the user, beeps and
// desktop notifications are recorded instead of shown; the serial component's debug log and its
// failure hooks are taken over on request only, since an active debug log changes what the
// component's threads do.
class ScopedHooks {
  public:
    ScopedHooks();
    ~ScopedHooks();
    ScopedHooks(const ScopedHooks&) = delete;
    ScopedHooks& operator=(const ScopedHooks&) = delete;

    QStringList errors;       // reported, in order
    QStringList information;  // told the user in a box, in order
    QStringList questions;    // asked of the user, each answered with `answer`
    bool answer = false;
    int beeps = 0;
    QStringList notifications;  // the desktop notifications' summaries

    // Activates the serial debug log, keeping its lines; `on_line` (when given) sees each line as
    // it is logged, on the logging thread.
    void record_debug_log(std::function<void(std::string_view line)> on_line = {});
    // The lines logged so far (from any thread).
    std::vector<std::string> debug_lines() const;
    bool has_debug_line(std::string_view line) const;

    // Makes the serial component's thread starts ask `failure` first: an error number fails the
    // start as the system would, 0 lets it go on.
    void fail_thread_starts(std::function<int()> failure);
    // The same for the creation of the component's close event.
    void fail_close_event(std::function<int()> failure);

  private:
    platform::ErrorReporter old_reporter_;
    platform::Questioner old_questioner_;
    std::function<void()> old_beep_;
    platform::Notifier old_notifier_;
    platform::Informer old_informer_;
    std::unique_ptr<serial::DebugLogSink> old_debug_log_;  // set once the log is taken over
    std::unique_ptr<std::function<int()>> old_thread_start_;
    std::unique_ptr<std::function<int()>> old_close_event_;

    mutable std::mutex debug_mutex_;
    std::vector<std::string> debug_lines_;
};

}  // namespace zvonmat_test
