#include "app/CtlConnection.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

namespace orv::ctl {

namespace {
// Longest reply packet we accept; the full block is about 150 characters.
constexpr size_t MaxReplyLength = 4096;
}

CtlConnection::CtlConnection(std::string host, uint16_t port, int timeoutMs)
    : host_(std::move(host)), port_(port), timeoutMs_(timeoutMs), socket_(std::make_unique<QTcpSocket>()) {}

CtlConnection::~CtlConnection() = default;

void CtlConnection::connect() {
    socket_->connectToHost(QString::fromStdString(host_), port_);
    if (!socket_->waitForConnected(timeoutMs_)) {
        const std::string why = socket_->error() == QAbstractSocket::SocketTimeoutError
                                    ? "no answer within " + std::to_string(timeoutMs_) + " ms"
                                    : socket_->errorString().toStdString();
        throw CtlFailure{ExitConnect, "cannot connect to " + peer() + ": " + why};
    }
}

void CtlConnection::send(const std::string& text) {
    if (socket_->write(text.data(), qint64(text.size())) != qint64(text.size()))
        throw CtlFailure{ExitConnect, "cannot send to " + peer() + ": " + socket_->errorString().toStdString()};
    while (socket_->bytesToWrite() > 0) {
        if (!socket_->waitForBytesWritten(timeoutMs_))
            throw CtlFailure{ExitTimeout, "cannot send to " + peer() + ": " + socket_->errorString().toStdString()};
    }
}

std::string CtlConnection::readPacket() {
    QDeadlineTimer deadline(timeoutMs_);
    for (;;) {
        const size_t semicolon = buffer_.find(';');
        if (semicolon != std::string::npos) {
            std::string packet = buffer_.substr(0, semicolon + 1);
            buffer_.erase(0, semicolon + 1);
            if (packet.front() != '#') throw CtlFailure{ExitMalformed, "malformed reply from " + peer() + ": '" + packet + "'"};
            return packet;
        }
        if (buffer_.size() > MaxReplyLength)
            throw CtlFailure{ExitMalformed, "malformed reply from " + peer() + ": no ';' in " +
                                                std::to_string(buffer_.size()) + " characters"};
        if (socket_->bytesAvailable() == 0) {
            if (socket_->state() != QAbstractSocket::ConnectedState)
                throw CtlFailure{ExitTimeout, "connection closed by " + peer() + " before the reply"};
            if (deadline.hasExpired() || !socket_->waitForReadyRead(int(deadline.remainingTime()))) {
                if (socket_->state() != QAbstractSocket::ConnectedState)
                    throw CtlFailure{ExitTimeout, "connection closed by " + peer() + " before the reply"};
                throw CtlFailure{ExitTimeout, "no reply from " + peer() + " within " +
                                                  std::to_string(timeoutMs_) + " ms"};
            }
        }
        const QByteArray data = socket_->readAll();
        buffer_.append(data.constData(), size_t(data.size()));
    }
}

std::string CtlConnection::readUntilQuiet(int quietMs, bool awaitFirst) {
    QDeadlineTimer deadline(timeoutMs_);
    std::string text;
    text.swap(buffer_);
    while (!deadline.hasExpired() && socket_->state() == QAbstractSocket::ConnectedState) {
        const qint64 wait = awaitFirst && text.empty() ? deadline.remainingTime()
                                                       : std::min<qint64>(quietMs, deadline.remainingTime());
        if (socket_->bytesAvailable() == 0 && !socket_->waitForReadyRead(int(wait))) break;
        const QByteArray data = socket_->readAll();
        text.append(data.constData(), size_t(data.size()));
    }
    return text;
}

void CtlConnection::close() {
    socket_->disconnectFromHost();
    if (socket_->state() != QAbstractSocket::UnconnectedState) socket_->waitForDisconnected(timeoutMs_);
}

}  // namespace orv::ctl
