#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "platform/UniqueFd.h"

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace platform {

// One dialler per working directory: two would each save their own quick-dial list and the last
// to quit would win. The first start in a directory holds an exclusive lock on the directory
// itself for its life (no file is created, so a read-only directory is no different) and listens
// on a local socket named after the directory and the user. A later start finds the lock held,
// asks the first over that socket to bring its window forward, and ends.
//
// Where the directory cannot be locked at all (no access to it, a file system without locks) the
// start goes on as the first, unprotected: a start is never refused for want of a lock.
class SingleInstance {
  public:
    // `directory` as native bytes; the program passes ".", its working directory.
    explicit SingleInstance(const std::string& directory);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another dialler holds the directory.
    bool isFirst() const { return !held_elsewhere_; }

    // The first start: each request of a later start is handed to `raise`, which is to bring the
    // window forward and call `answer` with whether the desktop let it. Requests that come before
    // a handler is set are answered no.
    using Answer = std::function<void(bool raised)>;
    void onRaiseRequest(std::function<void(Answer answer)> raise);

    // A later start: asks the first to raise its window. True when it answers that it did within
    // `timeout_ms`; false when it cannot be reached or could not raise it. Blocks; safe to call
    // from a thread of its own.
    bool askToRaise(int timeout_ms = 5000) const;

  private:
    UniqueFd lock_;
    bool held_elsewhere_ = false;
    QString name_;
    std::function<void(Answer)> raise_;
    std::unique_ptr<QLocalServer> server_;  // gone before the handler it calls
    void serve(QLocalSocket* peer);
};

// Shows `window` (from minimised too), raises and activates it, or the modal dialog open over it,
// and answers whether one of the program's windows became active within a second: window
// managers that prevent focus stealing, and Wayland compositors, may refuse.
void raise_window(QWidget* window, const SingleInstance::Answer& answer);

}  // namespace platform
