#pragma once

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <cstdlib>

// Start-up probes: once the watched window has painted for the first time, write one byte to the
// descriptor named by ZVONMAT_PROBE_FD (the harness's clock stops there) and quit.
class FirstPaintProbe : public QObject {
  public:
    explicit FirstPaintProbe(QWidget* window) : QObject(window) {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !fired_) {
            fired_ = true;
            QMetaObject::invokeMethod(
                this,
                [] {
                    if (const char* fd = std::getenv("ZVONMAT_PROBE_FD")) {
                        const char byte = 1;
                        [[maybe_unused]] ssize_t n = ::write(std::atoi(fd), &byte, 1);
                    }
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool fired_ = false;
};
