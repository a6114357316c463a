#include "app/OrvSingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <cstdlib>

namespace orv::app {

namespace {
constexpr const char* InstanceName = "REDAVOD36Erir";

std::string RuntimeDirectory() {
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir && *dir) return dir;
    return "/tmp";
}
}  // namespace

SingleInstance::SingleInstance() {
    const std::string uid = std::to_string(::getuid());
    lockPath_ = RuntimeDirectory() + "/" + InstanceName + "-" + uid + ".lock";
    socketName_ = RuntimeDirectory() + "/" + InstanceName + "-" + uid + ".sock";
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    if (fd_ >= 0) ::close(fd_);  // releases the lock
}

bool SingleInstance::acquire() {
    fd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return true;  // no runtime directory to lock in: do not refuse to start
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    return true;
}

void SingleInstance::askFirstCopyForward() {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(socketName_));
    if (!socket.waitForConnected(1000)) return;
    socket.write("raise\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
}

void SingleInstance::listen(std::function<void()> onRequest) {
    server_ = std::make_unique<QLocalServer>();
    QLocalServer::removeServer(QString::fromStdString(socketName_));  // a stale socket of a crashed copy
    if (!server_->listen(QString::fromStdString(socketName_))) return;
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this, onRequest] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            if (onRequest) onRequest();
        }
    });
}

}  // namespace orv::app
