#pragma once
// Helpers of the TCP/IP server tests: a Qt application for the test thread when
// none exists yet, pumping the event loop until something holds, and running a
// client program against a server on this thread.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// How a program run by RunProgram ended.
struct ProgramRun {
    bool ended = false;   // false: still running after the time allowed, killed
    int exitCode = -1;    // -1 unless it exited normally
    std::string out, err;
};

// Runs `program` with `args` to its end, for at most `ms` of real time, while this
// thread's event loop keeps serving (the server under test lives on it).
// A plain fork() and exec, not QProcess: QProcess starts its child with
// clone(CLONE_VM | CLONE_VFORK), so until its exec the child runs in this
// process's memory as this very thread. ThreadSanitizer takes that clone for a
// fork and undoes its fork bookkeeping twice, in the child and again here; from
// then on it ignores this thread's lock calls and reports races that are not
// there (this thread's writes under the commander's lock, say).
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             int ms = 10000) {
    ProgramRun run;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return run;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return run;
    }
    // Everything the child needs is made before the fork: after it, in a process
    // with threads, the child may only call what is safe in a signal handler.
    std::vector<std::string> words{program};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);   // the copies do not close on exec
        ::dup2(err[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    auto drain = [](int fd, std::string& to) {
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) to.append(buffer, size_t(n));
    };
    int status = 0;
    if (pid > 0) {
        ::fcntl(out[0], F_SETFL, O_NONBLOCK);
        ::fcntl(err[0], F_SETFL, O_NONBLOCK);
        PumpUntil([&] {
            drain(out[0], run.out);   // a full pipe would stop the child
            drain(err[0], run.err);
            if (!run.ended) run.ended = ::waitpid(pid, &status, WNOHANG) == pid;
            return run.ended;
        }, ms);
        if (!run.ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        } else {
            drain(out[0], run.out);
            drain(err[0], run.err);
            if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
        }
    }
    ::close(out[0]);
    ::close(err[0]);
    return run;
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
