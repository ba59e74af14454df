#pragma once

#include <QString>
#include <QTime>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace serial {
class TZRTComm32;
}

namespace modem {

// How a modem check ended, in the words the modem window shows.
struct Finding {
    enum Verdict { Answers, NoAnswer, CannotOpen };
    Verdict verdict = NoAnswer;
    QString reason;  // what happened, e.g. «Нет прав на устройство /dev/ttyACM0.»
    QString remedy;  // what to do about it; empty when nothing is to be done
};

// One line of the exchange with the modem, as it happens.
struct ExchangeLine {
    enum Kind { Sent, Received };
    QTime at;
    Kind kind = Sent;
    QString text;
};

// The reason and the remedy for a device the system would not open, by its errno; `holder` names
// a program of this user that has it open (the dialler), when one was found.
Finding open_failure(int error, const QString& device, const QString& holder = {});

// The programs of this user that have `device` open, as "zvonmat (процесс 1234)", separated by
// commas; empty when none is found (another user's, such as ModemManager's, cannot be seen).
QString device_holder(const std::string& device);

// «Проверить модем»: opens the device through the serial component at the dialler's line
// settings (2400 baud, 8N1, exclusive, so a port the dialler holds is refused), sends AT, ATI and
// ATI3, each after the previous one's OK or ERROR, and ends with a finding: the modem answers
// (with what it says of itself), it answered nothing within the answer limit, or the device
// could not be opened and why. Runs on the caller's event loop; the callbacks come from it.
class ModemCheck {
  public:
    ModemCheck();
    ~ModemCheck();
    ModemCheck(const ModemCheck&) = delete;
    ModemCheck& operator=(const ModemCheck&) = delete;

    std::function<void(const ExchangeLine&)> onLine;
    std::function<void(const Finding&)> onFinished;
    // How long each command waits for its answer.
    std::chrono::milliseconds answerLimit{3000};

    // Starts a check of `device`; nothing while one runs. A device that cannot be opened
    // finishes at once.
    void start(const std::string& device);
    bool running() const { return running_; }

  private:
    void sendNext();
    void received(const char* bytes, std::size_t length);
    void timedOut();
    void lost(serial::TZRTComm32* comm);
    // Finishes with the modem's answer and what it said of itself.
    void answered();
    void finish(Finding finding);

    std::unique_ptr<serial::TZRTComm32> comm_;
    std::unique_ptr<serial::TZRTComm32> closing_;  // the finished check's, closed a moment later
    QTimer answer_timer_;
    std::string device_;
    bool running_ = false;
    std::size_t next_command_ = 0;
    std::string pending_;            // received bytes not yet ended by a line end
    std::vector<QString> identity_;  // the modem's lines other than OK, ERROR and echoes
};

}  // namespace modem
