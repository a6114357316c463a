#pragma once
// Helpers of the TCP/IP server tests: a Qt application for the test thread when
// none exists yet, and pumping the event loop until something holds.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpSocket>

namespace orv::testing {

// Owns the QCoreApplication while a test needs one, unless one exists already.
class QtAppGuard {
public:
    QtAppGuard() {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }

private:
    int argc_ = 1;
    char name_[12] = "test_comm";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

// Runs the event loop until `done` holds or `ms` of real time have passed.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Runs the event loop for `ms` whatever happens.
inline void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

// A test client on the same thread as the server.
class TestClient {
public:
    bool connect(uint16_t port) {
        socket.connectToHost("127.0.0.1", port);
        return PumpUntil([this] { return socket.state() == QAbstractSocket::ConnectedState; });
    }
    // Writes `text` and pumps until it has left and the server had time to read it.
    void send(const std::string& text, int settleMs = 30) {
        socket.write(text.data(), qint64(text.size()));
        PumpUntil([this] { return socket.bytesToWrite() == 0; });
        PumpFor(settleMs);
    }
    // Everything received so far (and consumed).
    std::string take() {
        const QByteArray data = socket.readAll();
        received += std::string(data.constData(), size_t(data.size()));
        std::string out;
        out.swap(received);
        return out;
    }
    // Waits until `n` replies (";"-terminated) have come.
    std::string takeReplies(size_t n, int ms = 3000) {
        PumpUntil([&] {
            const QByteArray data = socket.readAll();
            received += std::string(data.constData(), size_t(data.size()));
            size_t count = 0;
            for (char c : received) count += c == ';';
            return count >= n;
        }, ms);
        return take();
    }

    QTcpSocket socket;
    std::string received;
};

}  // namespace orv::testing
