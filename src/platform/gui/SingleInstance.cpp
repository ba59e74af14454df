#include "platform/gui/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/ErrorReport.h"

namespace platform {
namespace {

// One line each way: the request, then the answer.
const QByteArray kRequest = "raise\n";
const QByteArray kRaised = "raised\n";
const QByteArray kNotRaised = "not raised\n";
constexpr qint64 kMaxLine = 64;

// A name in the abstract namespace is no file: nothing is left behind in any directory, and the
// name goes with the process that holds it. The user is part of it, so that another user's start
// in a shared directory does not raise this user's window; the directory's real path, hashed,
// keeps the name short.
QString socket_name(const std::string& directory) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::canonical(directory, error);
    if (error) {
        path = std::filesystem::absolute(directory, error);
    }
    const std::string& bytes = path.native();
    const QByteArray hash = QCryptographicHash::hash(
        QByteArrayView(bytes.data(), qsizetype(bytes.size())), QCryptographicHash::Sha256);
    return QStringLiteral("zvonmat-%1-%2")
        .arg(::getuid())
        .arg(QLatin1String(hash.toHex().left(24)));
}

// Anyone may connect to a name in the abstract namespace, or take it first: each side talks only
// to a process of the same user.
bool same_user(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    const int fd = int(socket.socketDescriptor());
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

}  // namespace

SingleInstance::SingleInstance(const std::string& directory) : name_(socket_name(directory)) {
    // The lock is taken on the directory itself, through a descriptor held open for the process's
    // life; the system lets it go when the process ends, however it ends.
    lock_.reset(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!lock_) {
        return;
    }
    if (::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
        held_elsewhere_ = errno == EWOULDBLOCK;
        lock_.reset();
        return;
    }
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(name_)) {
        server_.reset();  // a later start will say that this one runs
        return;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
        guarded([this] {
            while (QLocalSocket* peer = server_->nextPendingConnection()) {
                if (same_user(*peer)) {
                    serve(peer);
                } else {
                    peer->abort();
                    peer->deleteLater();
                }
            }
        });
    });
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::onRaiseRequest(std::function<void(Answer answer)> raise) {
    raise_ = std::move(raise);
}

void SingleInstance::serve(QLocalSocket* peer) {
    QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
    QObject::connect(peer, &QLocalSocket::readyRead, peer, [this, peer] {
        guarded([this, peer] {
            if (!peer->canReadLine()) {
                if (peer->bytesAvailable() > kMaxLine) {
                    peer->abort();  // not one of ours
                    peer->deleteLater();
                }
                return;
            }
            QObject::disconnect(peer, &QLocalSocket::readyRead, nullptr, nullptr);  // one request
            const QByteArray request = peer->readLine(kMaxLine);
            Answer answer = [socket = QPointer<QLocalSocket>(peer)](bool raised) {
                if (socket) {
                    socket->write(raised ? kRaised : kNotRaised);
                    socket->disconnectFromServer();
                }
            };
            if (request != kRequest || !raise_) {
                answer(false);
                return;
            }
            raise_(answer);
        });
    });
}

bool SingleInstance::askToRaise(int timeout_ms) const {
    const QDeadlineTimer deadline(timeout_ms);
    // The first start listens a moment after it has taken the lock: try again for a while.
    const QDeadlineTimer connect_deadline(std::min(timeout_ms, 1000));
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    for (;;) {
        socket.connectToServer(name_);
        if (socket.waitForConnected(int(connect_deadline.remainingTime()))) {
            break;
        }
        if (connect_deadline.remainingTime() < 100) {
            return false;
        }
        QThread::msleep(100);
    }
    if (!same_user(socket)) {
        return false;
    }
    socket.write(kRequest);
    socket.flush();
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
            return false;
        }
    }
    return socket.readLine(kMaxLine) == kRaised;
}

void raise_window(QWidget* window, const SingleInstance::Answer& answer) {
    if (window->isMinimized()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    }
    window->show();
    window->raise();
    window->activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
    // Activation comes back from the window system as an event: look for it for a second.
    auto* poll = new QTimer(window);
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, tries = 20]() mutable {
        guarded([&] {
            const bool active = QApplication::activeWindow() != nullptr;
            if (active || --tries == 0) {
                poll->stop();
                poll->deleteLater();
                answer(active);
            }
        });
    });
    poll->start();
}

}  // namespace platform
