#include "platform/gui/DesktopNotifications.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include "platform/Notification.h"

namespace platform {

bool send_desktop_notification(const QDBusConnection& bus, const QString& summary,
                               const QString& body) {
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (the
    // server's default).
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("zvonmat")}};
    call << QStringLiteral("zvonmat") << quint32(0) << QString() << summary << body << QStringList()
         << hints << qint32(-1);
    // send() never waits for the reply: the window goes on whatever the service does.
    return bus.send(call);
}

void install_desktop_notifications() {
    set_notifier([](const QString& summary, const QString& body) {
        send_desktop_notification(QDBusConnection::sessionBus(), summary, body);
    });
}

}  // namespace platform
