#pragma once

#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "support/ModemSimProcess.h"

namespace zvonmat_test {

// The main window with the modem simulator behind one of its ports.
class ModemFormTest : public FormTest {
  protected:
    // Starts the simulator with `args` (its replies, its dial delay) as the device of `port`;
    // `more_ports` adds other lines to the store's [ports].
    void startModem(const std::vector<std::string>& args, const char* port = "COM4",
                    const QByteArray& more_ports = {}) {
        modem_ = std::make_unique<ModemSimProcess>(args);
        ASSERT_TRUE(modem_->started());
        writeFile(storePath(), QByteArray("[ports]\r\n") + port + "=" +
                                   QByteArray::fromStdString(modem_->link()) + "\r\n" + more_ports);
    }

    // What the modem has received so far, a line at a time, without the moment the log gives each.
    std::vector<std::string> modemLines() const {
        std::vector<std::string> texts;
        for (const std::string& line : modem_->LogLines()) {
            texts.push_back(line.substr(line.find(' ') + 1));
        }
        return texts;
    }

    // Waits until the modem has received `count` lines in all.
    bool waitForModemLines(std::size_t count, int timeout_ms = 10000) const {
        return QTest::qWaitFor([&] { return modem_->LogLines().size() >= count; }, timeout_ms);
    }

    std::unique_ptr<ModemSimProcess> modem_;
};

using Lines = std::vector<std::string>;

}  // namespace zvonmat_test
