#pragma once
// A pseudo-terminal for the serial tests: the port under test opens the slave
// by its path; the test plays the far end of the line on the master.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace orv::testing {

class PtyPair {
public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
        path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        closeMaster();
        if (slave_ >= 0) ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& path() const { return path_; }
    int master() const { return master_; }

    void write(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += size_t(n);
            else waitFor(POLLOUT, 100);
        }
    }

    // Reads until `count` bytes have come or `timeoutMs` has passed.
    std::string read(size_t count, int timeoutMs = 2000) {
        std::string out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            char buf[512];
            const ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - out.size()));
            if (n > 0) {
                out.append(buf, size_t(n));
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) break;
            waitFor(POLLIN, int(left));
        }
        return out;
    }

    // Whatever comes within `ms`.
    std::string readFor(int ms) { return read(size_t(-1) / 2, ms); }

    // The far end goes away (a cable pulled, a host program ended).
    void closeMaster() {
        if (master_ >= 0) ::close(master_);
        master_ = -1;
    }

private:
    void waitFor(short events, int ms) {
        pollfd p{master_, events, 0};
        ::poll(&p, 1, ms);
    }

    int master_ = -1;
    int slave_ = -1;   // kept open so the line stays up while the port under test closes and reopens
    std::string path_;
};

// A null-modem cable between two programs that each open a device path: two
// pseudo-terminals whose masters a thread joins, byte for byte both ways.
class NullModem {
public:
    NullModem() : relay_([this] { run(); }) {}
    ~NullModem() {
        stop_ = true;
        relay_.join();
    }
    const std::string& endA() const { return a_.path(); }
    const std::string& endB() const { return b_.path(); }

private:
    void run() {
        while (!stop_) {
            pollfd p[2] = {{a_.master(), POLLIN, 0}, {b_.master(), POLLIN, 0}};
            if (::poll(p, 2, 20) <= 0) continue;
            copy(a_, b_);
            copy(b_, a_);
        }
    }
    static void copy(PtyPair& from, PtyPair& to) {
        char buf[512];
        const ssize_t n = ::read(from.master(), buf, sizeof buf);
        if (n > 0) to.write(std::string(buf, size_t(n)));
    }

    PtyPair a_, b_;
    std::atomic<bool> stop_{false};
    std::thread relay_;
};

}  // namespace orv::testing
