#include "app/single_instance_qt.h"

#include <QCryptographicHash>
#include <QLocalSocket>

#include <iostream>

namespace tm47 {

namespace {

constexpr int kConnectTimeoutMs = 1000;

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& settingsFolder, QObject* parent)
    : QObject(parent), folder_(settingsFolder) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(folder_, ec);
    const QByteArray key = QByteArray::fromStdString((ec ? folder_ : canonical).string());
    serverName_ = QStringLiteral("tm47logger-") +
                  QString::fromLatin1(
                      QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));
    lock_ =
        std::make_unique<QLockFile>(QString::fromStdString((folder_ / "tm47logger.lock").string()));
    lock_->setStaleLockTime(0); // only a dead owner makes a lock stale
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("front")) {
                    emit activationRequested();
                }
            });
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_ && lock_->isLocked()) {
        lock_->unlock();
    }
}

bool SingleInstance::Acquire() {
    if (!lock_->tryLock(0)) {
        if (lock_->error() != QLockFile::LockFailedError) {
            // No lock file can be made (read-only root): run without the guard.
            std::cerr << "app: cannot create the lock file in " << folder_.string() << "\n";
            return true;
        }
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(kConnectTimeoutMs)) {
            socket.write("front\n");
            socket.waitForBytesWritten(kConnectTimeoutMs);
            socket.disconnectFromServer();
        }
        return false;
    }
    QLocalServer::removeServer(serverName_); // a socket file left by a copy that crashed
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(serverName_)) {
        std::cerr << "app: local server " << serverName_.toStdString()
                  << " failed: " << server_.errorString().toStdString() << "\n";
    }
    return true;
}

} // namespace tm47
