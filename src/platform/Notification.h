#pragma once

#include <QString>
#include <functional>

namespace platform {

// Tells the user something worth knowing while another window has the focus (the run has used
// up its attempts). Nothing is shown until the application installs the desktop's notifications
// (install_desktop_notifications()); where the desktop has none, nothing is shown either, and
// nothing is reported.
void notify_user(const QString& summary, const QString& body);

// Replaces the notifier (tests record what would be shown); returns the old one. An empty
// function shows nothing.
using Notifier = std::function<void(const QString& summary, const QString& body)>;
Notifier set_notifier(Notifier notifier);

}  // namespace platform
