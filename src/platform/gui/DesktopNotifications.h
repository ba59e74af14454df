#pragma once

#include <QDBusConnection>
#include <QString>

namespace platform {

// Sends a notification to the desktop's notification service (org.freedesktop.Notifications)
// on `bus`, without waiting for an answer: where no such service runs, the bus's error reply is
// dropped and nothing else happens. Returns whether the message left (false when the bus is not
// connected).
bool send_desktop_notification(const QDBusConnection& bus, const QString& summary,
                               const QString& body);

// Makes notify_user() send to the session bus's notification service. The session bus is looked
// for at the first notification, not at start-up.
void install_desktop_notifications();

}  // namespace platform
