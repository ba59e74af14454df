#include "controls/CaretBlinkLimit.h"

#include <QApplication>
#include <QEvent>
#include <utility>

CaretBlinkLimit::CaretBlinkLimit(std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), flash_time_(QApplication::cursorFlashTime()) {
    idle_.setSingleShot(true);
    idle_.setInterval(limit);
    connect(&idle_, &QTimer::timeout, this, [this] { Stop(); });
    qApp->installEventFilter(this);
    idle_.start();
}

CaretBlinkLimit::~CaretBlinkLimit() {
    qApp->removeEventFilter(this);
    if (stopped_) {
        QApplication::setCursorFlashTime(flash_time_);
    }
}

bool CaretBlinkLimit::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::InputMethod:
            if (std::exchange(stopped_, false)) {
                QApplication::setCursorFlashTime(flash_time_);
            }
            idle_.start();
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void CaretBlinkLimit::Stop() {
    if (flash_time_ > 0) {
        stopped_ = true;
        QApplication::setCursorFlashTime(0);
    }
}
