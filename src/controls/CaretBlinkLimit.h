#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

// Stops the text caret blinking once the user has left the keyboard and mouse alone for a while,
// and lets it blink again at the next key, click or wheel turn. A blinking caret wakes the
// program twice a second for as long as it runs, which is nearly all a dialler left open on the
// desk would otherwise do; a caret that stays lit still shows where typing goes. Installed on the
// application, it watches every window; it puts the flash time back when it goes.
class CaretBlinkLimit : public QObject {
  public:
    static constexpr std::chrono::milliseconds kDefaultLimit{10000};

    explicit CaretBlinkLimit(std::chrono::milliseconds limit = kDefaultLimit,
                             QObject* parent = nullptr);
    ~CaretBlinkLimit() override;

    bool Stopped() const { return stopped_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Stop();

    const int flash_time_;
    QTimer idle_;
    bool stopped_ = false;
};
