#include "platform/Notification.h"

#include <utility>

namespace platform {
namespace {

void show_nothing(const QString&, const QString&) {}

Notifier& notifier() {
    static Notifier n = show_nothing;
    return n;
}

}  // namespace

void notify_user(const QString& summary, const QString& body) {
    notifier()(summary, body);
}

Notifier set_notifier(Notifier replacement) {
    if (!replacement) {
        replacement = show_nothing;
    }
    return std::exchange(notifier(), std::move(replacement));
}

}  // namespace platform
