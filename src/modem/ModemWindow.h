#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "modem/ModemCheck.h"
#include "platform/SerialDevices.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTimer;
class QTreeWidget;

// The modem window: the serial devices that exist, the dialler's COM1..COM4 with the device each
// leads to and where that comes from, «Назначить COM…» to map a port to the chosen device in the
// user's store, and «Проверить модем» with the exchange as it happens and its verdict. A thin
// layer: discovery, the store and the check do the work.
class ModemWindow : public QWidget {
    Q_OBJECT
  public:
    // `root` is where /dev and /sys are looked for ("/" but in tests).
    explicit ModemWindow(std::string root = "/", QWidget* parent = nullptr);

    // Looks at the devices and the store again; runs every two seconds by itself.
    void refresh();

  private:
    void showDevices(const std::vector<platform::SerialDevice>& devices);
    void showPorts();
    void mapPort(int com);
    void checkModem();
    // The device chosen in the list, if one is.
    const platform::SerialDevice* chosenInList() const;
    // The device the buttons act on: the one chosen in the list, else the chosen port's.
    std::string chosenDevice() const;
    void showVerdict(const QString& text, const QString& colour);

    std::string root_;
    std::string user_file_;
    std::vector<platform::SerialDevice> devices_;
    modem::ModemCheck check_;

    QTreeWidget* device_list_;
    QTableWidget* port_table_;
    QPushButton* map_button_;
    QPushButton* check_button_;
    QPlainTextEdit* log_;
    QLabel* verdict_;
    QTimer* poll_;
};
