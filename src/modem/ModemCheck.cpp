#include "modem/ModemCheck.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "serial/ZRTComm32.h"

namespace modem {
namespace {

// The commands of a check: attention, then the modem's product code and its name.
const char* const kCommands[] = {"AT", "ATI", "ATI3"};
constexpr std::size_t kCommandCount = std::size(kCommands);

bool isFinal(const QString& line) {
    return line == u"OK" || line == u"ERROR";
}

QString quoted(const QString& device) {
    return QStringLiteral("«%1»").arg(device);
}

// Whether the user was added to the group dialout after this session began: the group lists
// them, but the processes of the session do not have it yet.
bool dialoutAfterLogin() {
    const group* dialout = ::getgrnam("dialout");
    const passwd* user = ::getpwuid(::getuid());
    if (dialout == nullptr || user == nullptr) {
        return false;
    }
    const gid_t gid = dialout->gr_gid;
    bool listed = user->pw_gid == gid;
    for (char** member = dialout->gr_mem; !listed && *member != nullptr; ++member) {
        listed = std::strcmp(*member, user->pw_name) == 0;
    }
    std::vector<gid_t> groups(std::size_t(std::max(::getgroups(0, nullptr), 0)));
    groups.resize(std::size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
    return listed && ::getegid() != gid &&
           std::find(groups.begin(), groups.end(), gid) == groups.end();
}

}  // namespace

Finding open_failure(int error, const QString& device, const QString& holder) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return {Finding::CannotOpen,
                    QStringLiteral("Нет такого устройства: %1.").arg(quoted(device)),
                    QStringLiteral("Подключите модем (или включите его) и выберите его в списке "
                                   "устройств заново: список обновляется сам.")};
        case EACCES:
        case EPERM:
            if (dialoutAfterLogin()) {
                return {Finding::CannotOpen,
                        QStringLiteral("Нет прав на устройство %1: вас добавили в группу dialout "
                                       "уже после входа в сеанс.")
                            .arg(quoted(device)),
                        QStringLiteral("Выйдите из сеанса и войдите снова.")};
            }
            return {Finding::CannotOpen,
                    QStringLiteral("Нет прав на устройство %1: вы не в группе dialout.")
                        .arg(quoted(device)),
                    QStringLiteral("Выполните в терминале «sudo adduser $USER dialout», затем "
                                   "выйдите из сеанса и войдите снова.")};
        case EBUSY:
        case EWOULDBLOCK:
            if (!holder.isEmpty()) {
                return {Finding::CannotOpen,
                        QStringLiteral("Устройство %1 занято: его держит %2.")
                            .arg(quoted(device), holder),
                        QStringLiteral("Закройте эту программу (у zvonmat — кнопка «Выход») и "
                                       "проверьте модем снова.")};
            }
            return {Finding::CannotOpen,
                    QStringLiteral("Устройство %1 занято другой программой — часто это "
                                   "ModemManager, который опрашивает новые USB-модемы.")
                        .arg(quoted(device)),
                    QStringLiteral(
                        "Узнайте, кто держит порт: «fuser -v %1». Чтобы ModemManager не трогал "
                        "модем, создайте файл /etc/udev/rules.d/99-zvonmat-modem.rules со строкой "
                        "ATTRS{idVendor}==\"XXXX\", ATTRS{idProduct}==\"YYYY\", "
                        "ENV{ID_MM_DEVICE_IGNORE}=\"1\" (коды модема покажет lsusb), затем "
                        "«sudo udevadm control --reload» и переподключите модем.")
                        .arg(device)};
        case ENOTTY:
            return {Finding::CannotOpen,
                    QStringLiteral("%1 — не последовательный порт.").arg(quoted(device)),
                    QStringLiteral("Выберите устройство модема в списке.")};
        default:
            return {Finding::CannotOpen,
                    QStringLiteral("Не удалось открыть %1: %2.")
                        .arg(quoted(device), QString::fromLocal8Bit(std::strerror(error))),
                    {}};
    }
}

QString device_holder(const std::string& device) {
    const QString target = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
    if (target.isEmpty()) {
        return {};
    }
    const QString self = QString::number(::getpid());
    const QDir proc(QStringLiteral("/proc"));
    QStringList holders;
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid == self || pid.toInt() <= 0) {
            continue;
        }
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            if (QFile::symLinkTarget(fds.filePath(fd)) == target) {
                QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
                const QString name = comm.open(QIODevice::ReadOnly)
                                         ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                         : QString();
                holders << QStringLiteral("%1 (процесс %2)").arg(name, pid);
                break;
            }
        }
    }
    return holders.join(QStringLiteral(", "));
}

ModemCheck::ModemCheck() {
    answer_timer_.setSingleShot(true);
    answer_timer_.setTimerType(Qt::PreciseTimer);  // never before the limit
    QObject::connect(&answer_timer_, &QTimer::timeout, [this] { timedOut(); });
}

ModemCheck::~ModemCheck() = default;

void ModemCheck::start(const std::string& device) {
    if (running_) {
        return;
    }
    running_ = true;
    device_ = device;
    next_command_ = 0;
    pending_.clear();
    identity_.clear();

    comm_ = std::make_unique<serial::TZRTComm32>();
    comm_->DeviceResolver = [device](serial::TCommPort) { return device; };
    // The dialler's line: 2400 baud, 8 data bits, no parity, 1 stop bit.
    comm_->BaudRate = serial::TBaudRate::___2400;
    comm_->Parity = serial::TParity::None;
    comm_->DataBits = serial::TDataBits::_8;
    comm_->StopBits = serial::TStopBits::_1;
    comm_->OnReceiveData = [this](const void* buffer, std::uint16_t length) {
        received(static_cast<const char*>(buffer), length);
    };
    comm_->OnRequestHangup = [this](serial::TZRTComm32* comm) { lost(comm); };
    try {
        if (!comm_->OpenComm()) {
            finish(open_failure(EMFILE, QString::fromStdString(device)));
            return;
        }
    } catch (const serial::ECommsError& error) {
        const int code = error.SystemError;
        finish(
            open_failure(code, QString::fromStdString(device),
                         code == EBUSY || code == EWOULDBLOCK ? device_holder(device) : QString()));
        return;
    }
    sendNext();
}

void ModemCheck::lost(serial::TZRTComm32* comm) {
    if (running_ && comm == comm_.get() && comm->LinkFailed()) {
        finish({Finding::NoAnswer,
                QStringLiteral("Связь с устройством %1 пропала: модем отключён?")
                    .arg(quoted(QString::fromStdString(device_))),
                QStringLiteral("Подключите модем и проверьте снова.")});
    }
}

void ModemCheck::sendNext() {
    const std::string command = kCommands[next_command_];
    if (onLine) {
        onLine({QTime::currentTime(), ExchangeLine::Sent, QString::fromStdString(command)});
    }
    const std::string line = command + "\r";
    comm_->WriteCommData(line.data(), static_cast<std::uint16_t>(line.size()));
    answer_timer_.start(answerLimit);
}

void ModemCheck::received(const char* bytes, std::size_t length) {
    if (!running_) {
        return;
    }
    pending_.append(bytes, length);
    std::size_t end;
    while ((end = pending_.find_first_of("\r\n")) != std::string::npos) {
        const QString line = QString::fromLatin1(pending_.data(), qsizetype(end)).trimmed();
        pending_.erase(0, end + 1);
        if (line.isEmpty()) {
            continue;
        }
        if (onLine) {
            onLine({QTime::currentTime(), ExchangeLine::Received, line});
        }
        if (!isFinal(line)) {
            if (line.compare(QLatin1String(kCommands[next_command_]), Qt::CaseInsensitive) != 0) {
                identity_.push_back(line);  // not the echo of the command
            }
            continue;
        }
        if (++next_command_ == kCommandCount) {
            answered();
            return;
        }
        sendNext();
    }
}

void ModemCheck::timedOut() {
    const QString seconds = QString::number(answerLimit.count() / 1000.0);
    if (next_command_ == 0) {
        finish({Finding::NoAnswer, QStringLiteral("Модем не ответил за %1 с.").arg(seconds),
                QStringLiteral("Проверьте, что модем включён и что это его устройство (звонилка "
                               "говорит с ним на 2400 бод, 8N1).")});
        return;
    }
    // It answered AT: a modem that does not know ATI or ATI3 is still a modem.
    answered();
}

void ModemCheck::answered() {
    const QStringList said(identity_.begin(), identity_.end());
    finish({Finding::Answers,
            said.isEmpty() ? QStringLiteral("Модем отвечает.")
                           : QStringLiteral("Модем отвечает: %1.").arg(said.join(u", ")),
            {}});
}

void ModemCheck::finish(Finding finding) {
    answer_timer_.stop();
    running_ = false;
    // The component may be in the middle of delivering data: it is closed once that is over.
    closing_ = std::move(comm_);
    QTimer::singleShot(0, &answer_timer_, [this] { closing_.reset(); });
    if (onFinished) {
        onFinished(finding);
    }
}

}  // namespace modem
