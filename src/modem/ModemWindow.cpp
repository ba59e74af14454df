#include "modem/ModemWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "platform/MachineStore.h"
#include "platform/PortMap.h"

namespace {

constexpr int kPollMs = 2000;

// The verdict's colours: done, failed, under way.
const QString kDone = QStringLiteral("#1a7f1a");
const QString kFailed = QStringLiteral("#b00000");
const QString kUnderWay = QStringLiteral("#000000");

QString fromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString sourceText(platform::PortSource source) {
    switch (source) {
        case platform::PortSource::UserFile:
            return QStringLiteral("ваш файл");
        case platform::PortSource::SystemFile:
            return QStringLiteral("файл системы");
        case platform::PortSource::Default:
            break;
    }
    return QStringLiteral("по умолчанию");
}

}  // namespace

ModemWindow::ModemWindow(std::string root, QWidget* parent)
    : QWidget(parent),
      root_(std::move(root)),
      user_file_(platform::MachineStore::search_paths().front()),
      device_list_(new QTreeWidget(this)),
      port_table_(new QTableWidget(4, 3, this)),
      map_button_(new QPushButton(QStringLiteral("Назначить COM…"), this)),
      check_button_(new QPushButton(QStringLiteral("Проверить модем"), this)),
      log_(new QPlainTextEdit(this)),
      verdict_(new QLabel(this)),
      poll_(new QTimer(this)) {
    setObjectName(QStringLiteral("ModemWindow"));
    setWindowTitle(QStringLiteral("Модем — zvonmat"));
    resize(680, 600);

    device_list_->setObjectName(QStringLiteral("devices"));
    device_list_->setHeaderLabels({QStringLiteral("Что это"), QStringLiteral("Устройство")});
    device_list_->setRootIsDecorated(false);
    device_list_->setTextElideMode(Qt::ElideMiddle);
    device_list_->header()->resizeSection(0, 220);

    port_table_->setObjectName(QStringLiteral("ports"));
    port_table_->setHorizontalHeaderLabels(
        {QStringLiteral("Порт"), QStringLiteral("Устройство"), QStringLiteral("Откуда")});
    port_table_->verticalHeader()->hide();
    port_table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    port_table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    port_table_->setSelectionMode(QAbstractItemView::SingleSelection);
    port_table_->setTabKeyNavigation(false);
    port_table_->setWordWrap(false);
    port_table_->setTextElideMode(
        Qt::ElideMiddle);  // Tab goes on to the buttons; arrows move in it
    port_table_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    port_table_->horizontalHeader()->resizeSection(0, 60);
    port_table_->horizontalHeader()->resizeSection(2, 110);
    port_table_->setFixedHeight(port_table_->horizontalHeader()->sizeHint().height() +
                                4 * port_table_->verticalHeader()->defaultSectionSize() + 4);

    // «Назначить COM…» asks which port: the menu's items are chosen with the mouse or with their
    // digit.
    map_button_->setObjectName(QStringLiteral("map"));
    auto* menu = new QMenu(map_button_);
    for (int com = 1; com <= 4; ++com) {
        menu->addAction(QStringLiteral("COM&%1").arg(com), this, [this, com] { mapPort(com); });
    }
    map_button_->setMenu(menu);
    check_button_->setObjectName(QStringLiteral("check"));
    connect(check_button_, &QPushButton::clicked, this, &ModemWindow::checkModem);

    log_->setObjectName(QStringLiteral("log"));
    log_->setReadOnly(true);
    log_->setTabChangesFocus(true);
    log_->setFont(QFont(QStringLiteral("monospace")));
    verdict_->setObjectName(QStringLiteral("verdict"));
    verdict_->setWordWrap(true);
    verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* file =
        new QLabel(QStringLiteral("Назначения хранятся в %1; звонилка читает их при запуске.")
                       .arg(fromPath(user_file_)),
                   this);
    file->setWordWrap(true);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(map_button_);
    buttons->addWidget(check_button_);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("<b>Последовательные устройства</b>"), this));
    layout->addWidget(device_list_, 2);
    layout->addWidget(new QLabel(QStringLiteral("<b>Порты звонилки</b>"), this));
    layout->addWidget(port_table_);
    layout->addWidget(file);
    layout->addLayout(buttons);
    layout->addWidget(log_, 2);
    layout->addWidget(verdict_);

    for (const QKeySequence& keys :
         {QKeySequence(QKeySequence::Close), QKeySequence(QKeySequence::Quit)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &QWidget::close);
    }
    connect(device_list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!device_list_->selectedItems().isEmpty()) {
            port_table_->clearSelection();
        }
    });
    connect(port_table_, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!port_table_->selectedItems().isEmpty()) {
            device_list_->clearSelection();
        }
    });

    check_.onLine = [this](const modem::ExchangeLine& line) {
        log_->appendPlainText(QStringLiteral("%1 %2 %3")
                                  .arg(line.at.toString(QStringLiteral("HH:mm:ss.zzz")),
                                       line.kind == modem::ExchangeLine::Sent ? QStringLiteral("→")
                                                                              : QStringLiteral("←"),
                                       line.text));
    };
    check_.onFinished = [this](const modem::Finding& finding) {
        check_button_->setEnabled(true);
        const QString colour = finding.verdict == modem::Finding::Answers ? kDone : kFailed;
        showVerdict(finding.remedy.isEmpty()
                        ? finding.reason
                        : finding.reason + QStringLiteral("\n") + finding.remedy,
                    colour);
    };

    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &ModemWindow::refresh);
    poll_->start();
    refresh();
    if (!devices_.empty()) {
        device_list_->setCurrentItem(device_list_->topLevelItem(0));
    }
    device_list_->setFocus();
}

void ModemWindow::refresh() {
    std::vector<platform::SerialDevice> devices = platform::find_serial_devices(root_);
    if (devices != devices_) {
        showDevices(devices);
    }
    showPorts();
}

void ModemWindow::showDevices(const std::vector<platform::SerialDevice>& devices) {
    const platform::SerialDevice* current = chosenInList();
    const std::string chosen = current != nullptr ? current->path : std::string();
    devices_ = devices;
    device_list_->clear();
    for (const platform::SerialDevice& device : devices_) {
        auto* item = new QTreeWidgetItem(
            device_list_, {QString::fromStdString(device.name), fromPath(device.path)});
        item->setToolTip(1,
                         fromPath(device.path) + QStringLiteral(" → ") + fromPath(device.device));
        if (device.path == chosen) {
            device_list_->setCurrentItem(item);
        }
    }
    if (devices_.empty()) {
        auto* none = new QTreeWidgetItem(
            device_list_,
            {QStringLiteral("Устройств нет: подключите модем, список обновится сам.")});
        none->setFlags(Qt::NoItemFlags);
    }
}

void ModemWindow::showPorts() {
    const auto mappings = platform::port_mappings(platform::MachineStore::search_paths());
    for (const platform::PortMapping& mapping : mappings) {
        const int row = mapping.com - 1;
        const QString path = fromPath(mapping.device);
        const QString target = QFileInfo(path).canonicalFilePath();
        std::string name;
        for (const platform::SerialDevice& found : devices_) {
            if (found.path == mapping.device ||
                (!target.isEmpty() && fromPath(found.device) == target)) {
                name = found.name;
            }
        }
        QString device = path;
        if (!name.empty()) {
            device = QString::fromStdString(name) + QStringLiteral(" — ") + path;
        } else if (!QFileInfo::exists(path)) {
            device += QStringLiteral(" — нет такого устройства");
        }
        const QString cells[] = {QStringLiteral("COM%1").arg(mapping.com), device,
                                 sourceText(mapping.source)};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem* item = port_table_->item(row, column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                port_table_->setItem(row, column, item);
            }
            if (item->text() != cells[column]) {
                item->setText(cells[column]);
            }
            item->setToolTip(column == 1 ? path : column == 2 ? fromPath(mapping.file) : QString());
        }
    }
}

const platform::SerialDevice* ModemWindow::chosenInList() const {
    QTreeWidgetItem* item = device_list_->currentItem();
    const int index =
        item != nullptr && item->isSelected() ? device_list_->indexOfTopLevelItem(item) : -1;
    return index >= 0 && std::size_t(index) < devices_.size() ? &devices_[std::size_t(index)]
                                                              : nullptr;
}

std::string ModemWindow::chosenDevice() const {
    if (const platform::SerialDevice* device = chosenInList()) {
        return device->path;
    }
    const auto rows = port_table_->selectionModel()->selectedRows();
    if (!rows.isEmpty()) {
        return platform::MachineStore::load_all(platform::MachineStore::search_paths())
            .port_device(rows.front().row() + 1);
    }
    return {};
}

void ModemWindow::mapPort(int com) {
    const platform::SerialDevice* chosen = chosenInList();
    if (chosen == nullptr) {
        showVerdict(QStringLiteral("Выберите устройство в списке, затем назначьте его порту."),
                    kFailed);
        return;
    }
    const std::string device = chosen->path;
    if (const std::error_code error = platform::map_port(user_file_, com, device)) {
        showVerdict(QStringLiteral("Не удалось записать %1: %2.")
                        .arg(fromPath(user_file_), QString::fromLocal8Bit(error.message())),
                    kFailed);
        return;
    }
    showPorts();
    showVerdict(QStringLiteral("COM%1 → %2. Выберите COM%1 в настройках звонилки («Set») и "
                               "перезапустите её, если она открыта.")
                    .arg(com)
                    .arg(fromPath(device)),
                kDone);
}

void ModemWindow::checkModem() {
    const std::string device = chosenDevice();
    if (device.empty()) {
        showVerdict(QStringLiteral("Выберите устройство в списке или порт в таблице."), kFailed);
        return;
    }
    log_->clear();
    showVerdict(QStringLiteral("Проверяю %1…").arg(fromPath(device)), kUnderWay);
    check_button_->setEnabled(false);
    check_.start(device);
}

void ModemWindow::showVerdict(const QString& text, const QString& colour) {
    verdict_->setStyleSheet(QStringLiteral("color: %1; font-weight: bold").arg(colour));
    verdict_->setText(text);
}
