#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <utility>

// Tells the harness that a step is done: one byte to the descriptor named by ZVONMAT_PROBE_FD.
inline void SignalHarness() {
    if (const char* fd = std::getenv("ZVONMAT_PROBE_FD")) {
        const char byte = 1;
        [[maybe_unused]] ssize_t n = ::write(std::atoi(fd), &byte, 1);
    }
}

// Probes for the harnesses: once the watched window has painted for the first time, run the
// probe's step (if any), then write one byte to the descriptor named by ZVONMAT_PROBE_FD (the
// harness's clock stops there, or its measurement starts) and quit, or stay and idle when asked
// to. A step that fails quits with status 1 and writes nothing.
class FirstPaintProbe : public QObject {
  public:
    using Step = std::function<bool()>;

    explicit FirstPaintProbe(QWidget* window, bool stay = false, Step step = {})
        : QObject(window), stay_(stay), step_(std::move(step)) {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !fired_) {
            fired_ = true;
            QMetaObject::invokeMethod(
                this, [this] { Fire(); }, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void Fire() {
        if (step_ && !step_()) {
            QCoreApplication::exit(1);
            return;
        }
        SignalHarness();
        if (!stay_) {
            QCoreApplication::quit();
        }
    }

    bool fired_ = false;
    bool stay_;
    Step step_;
};
