#pragma once

#include <QObject>
#include <functional>

#include "platform/UniqueFd.h"

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP (a `kill`, Ctrl-C in a terminal, the end of the session) into
// a call on the main thread, where the program can save what it must and end in order. The
// signal handler itself only writes a byte to a pipe that a socket notifier watches. A second
// signal that comes before the program has ended, because the main thread is busy or stuck,
// ends it at once, the way that signal ends a program that does not handle it.
//
// One instance at a time; the signals' former dispositions come back when it is destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    using Handler = std::function<void(int signal)>;

    explicit TerminationSignals(Handler handler, QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    void deliver();

    Handler handler_;
    UniqueFd read_end_;
    UniqueFd write_end_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace platform
