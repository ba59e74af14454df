#include "serial/support/CommFixture.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <thread>

CommRecorder::CommRecorder(serial::TZRTComm32& comm) {
    comm.OnReceiveData = [this](const void* buffer, std::uint16_t length) {
        const char* bytes = static_cast<const char*>(buffer);
        events.push_back(CommEvent{CommEvent::Data, std::string(bytes, length), bytes[length] == 0,
                                   std::chrono::steady_clock::now()});
    };
    comm.OnRequestHangup = [this](serial::TZRTComm32*) {
        events.push_back(CommEvent{CommEvent::Hangup, {}, false, std::chrono::steady_clock::now()});
    };
}

std::size_t CommRecorder::data_count() const {
    return std::count_if(events.begin(), events.end(),
                         [](const CommEvent& e) { return e.kind == CommEvent::Data; });
}

std::size_t CommRecorder::hangup_count() const {
    return events.size() - data_count();
}

std::string CommRecorder::joined() const {
    std::string all;
    for (const auto& e : events) {
        all += e.bytes;
    }
    return all;
}

std::vector<std::string> CommRecorder::chunks() const {
    std::vector<std::string> all;
    for (const auto& e : events) {
        all.push_back(e.kind == CommEvent::Data ? e.bytes : "<hangup>");
    }
    return all;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    while (!done()) {
        if (!deadline.isActive()) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool WaitWithoutDelivering(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Pump(std::chrono::milliseconds period) {
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(period);
    WaitUntil([&timer] { return !timer.isActive(); }, period + std::chrono::milliseconds(1000));
}
