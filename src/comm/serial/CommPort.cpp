#include "comm/serial/CommPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "comm/serial/SerialLine.h"

namespace orv {

namespace {

// A write that has not gone out within this time returns what went, ms.
constexpr int WriteTimeoutMs = 1000;

constexpr unsigned BaudRates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200,
                                  38400, 56000, 57600, 115200};
constexpr unsigned DefaultBaud = 9600;

// The descriptors a wait looks at: the line and the wake-up eventfd.
struct WaitResult {
    bool line = false;   // the line is ready (or has failed, which the next call reports)
    bool wake = false;
    bool failed = false;
};

WaitResult WaitOn(int fd, short events, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        WaitResult r;
        if (n < 0) {
            r.failed = true;
            return r;
        }
        r.line = fds[0].revents != 0;
        r.wake = (fds[1].revents & POLLIN) != 0;
        return r;
    }
}

}  // namespace

unsigned BaudRateValue(int ordinal) {
    if (ordinal < 0 || ordinal >= int(std::size(BaudRates))) return DefaultBaud;
    return BaudRates[ordinal];
}

std::string PortOrdinalName(int ordinal) {
    if (ordinal < 0 || ordinal > MaxPortOrdinal) return "None";
    return "Com" + std::to_string(ordinal + 1);
}

int PortOrdinalOf(const std::string& name) {
    if (name == "None") return tptNone;
    if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, "Com") != 0) return -1;
    int n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    if (name[3] == '0' || n < 1 || n > MaxPortOrdinal + 1) return -1;
    return n - 1;
}

std::string PortOrdinalDevice(int ordinal) {
    if (ordinal < 0 || ordinal > MaxPortOrdinal) return {};
    return "/dev/ttyS" + std::to_string(ordinal);
}

// A read or write in progress. Taken under the port lock, so a closing port
// either refuses it or waits until it has ended before the descriptor goes.
class TCommPort::Use {
public:
    explicit Use(TCommPort& port) : port_(port) {
        std::lock_guard lock(port_.lock_);
        if (port_.fd_ < 0 || port_.closing_) return;
        fd_ = port_.fd_;
        ++port_.users_;
    }
    ~Use() {
        if (fd_ < 0) return;
        std::lock_guard lock(port_.lock_);
        if (--port_.users_ == 0) port_.idle_.notify_all();
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    // The open descriptor, or -1 when the port was closed.
    int fd() const { return fd_; }

private:
    TCommPort& port_;
    int fd_ = -1;
};

TCommPort::TCommPort() { wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

TCommPort::~TCommPort() {
    ClosePort();
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TCommPort::SetDevice(const std::string& name) {
    const int ordinal = PortOrdinalOf(name);
    if (ordinal >= 0) {
        Port = ordinal;
        DevicePath.clear();
    } else {
        Port = tptNone;
        DevicePath = name;
    }
}

std::string TCommPort::PortName() const {
    return DevicePath.empty() ? PortOrdinalName(Port) : DevicePath;
}

std::string TCommPort::DeviceToOpen() const {
    return DevicePath.empty() ? PortOrdinalDevice(Port) : DevicePath;
}

void TCommPort::SetHandShake(THandShakeFlags flags) {
    handShake_ = flags;
    Use use(*this);
    if (use.fd() >= 0) ApplySerialHandShake(use.fd(), flags);
}

void TCommPort::RaiseError(const std::string& message, bool openError) {
    bool raise = true;
    if (OnError) OnError(*this, message, raise);
    if (!raise) throw ESilentAbort();
    if (openError) throw EOpenComError(message);
    throw EComError(message);
}

void TCommPort::OpenPort() {
    const std::string device = DeviceToOpen();
    if (device.empty()) return;
    ClosePort();
    const std::string failed = "Could not open " + PortName();

    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) RaiseError(failed, true);
    // Exclusive: the advisory lock keeps out other programs that honour it (and
    // this program's own CanOpen); TIOCEXCL keeps out every other open but root's.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !::isatty(fd)) {
        ::close(fd);
        RaiseError(failed, true);
    }
    ::ioctl(fd, TIOCEXCL);
    const std::string reason =
        ApplySerialLine(fd, SerialLineSettings{BaudRate, Parity, DataBits, StopBits, handShake_});
    if (!reason.empty()) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        RaiseError(failed + ": " + reason, true);
    }
    // A port starts empty: bytes a pseudo-terminal queued while nobody had it
    // open are no commands for this channel.
    ::tcflush(fd, TCIOFLUSH);
    std::lock_guard lock(lock_);
    fd_ = fd;
}

void TCommPort::ClosePort() {
    std::unique_lock lock(lock_);
    if (fd_ < 0) return;
    closing_ = true;
    Wake();
    idle_.wait(lock, [this] { return users_ == 0; });
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);   // also releases the advisory lock
    fd_ = -1;
    closing_ = false;
    drainWake();
}

void TCommPort::SetPortActive(bool active) {
    if (active == PortActive()) return;
    if (active) OpenPort();
    else ClosePort();
}

bool TCommPort::PortActive() const {
    std::lock_guard lock(lock_);
    return fd_ >= 0;
}

bool TCommPort::CanOpen() const {
    const std::string device = DeviceToOpen();
    if (device.empty()) return false;
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::isatty(fd);
    ::close(fd);
    return free;
}

void TCommPort::Wake() {
    if (wakeFd_ < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void TCommPort::drainWake() {
    uint64_t count = 0;
    [[maybe_unused]] auto n = ::read(wakeFd_, &count, sizeof count);
}

bool TCommPort::aborted() const {
    return closing_.load() || (abortFlag_ && abortFlag_->load());
}

size_t TCommPort::WriteBuffer(const void* bytes, size_t count) {
    Use use(*this);
    if (use.fd() < 0) return 0;
    const auto* p = static_cast<const uint8_t*>(bytes);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WriteTimeoutMs);
    size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(use.fd(), p + sent, count - sent);
        if (n > 0) {
            sent += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) RaiseError("Write Error.", false);
        // The line's output queue is full: wait for room, at most until the
        // deadline (real time: the wire's speed does not follow the simulation).
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || aborted()) break;
        const WaitResult r = WaitOn(use.fd(), POLLOUT, wakeFd_, int(left));
        if (r.failed) return 0;
        if (r.wake && !aborted()) drainWake();
    }
    written_ += sent;
    return sent;
}

size_t TCommPort::ReadBuffer(void* buffer, size_t count) {
    Use use(*this);
    if (use.fd() < 0) throw ESilentAbort();
    auto* p = static_cast<uint8_t*>(buffer);
    size_t got = 0;
    while (got < count) {
        // Looked at before every wait: a wake-up that a drain below consumed was
        // sent after its reason was set, so the reason is seen here.
        if (aborted()) throw ESilentAbort();
        const ssize_t n = ::read(use.fd(), p + got, count - got);
        if (n > 0) {
            got += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // 0: the line hung up (a pseudo-terminal's other end closed, an adapter unplugged).
        if (n == 0 || errno != EAGAIN) RaiseError("Read Error.", false);
        const WaitResult r = WaitOn(use.fd(), POLLIN, wakeFd_, -1);
        if (r.failed) RaiseError("Read Error.", false);
        if (r.wake && !aborted()) drainWake();
    }
    return got;
}

std::string TCommPort::ReadText(size_t count) {
    std::string text(count, '\0');
    text.resize(ReadBuffer(text.data(), count));
    return text;
}

uint8_t TCommPort::ReadByte() {
    uint8_t byte = 0;
    return ReadBuffer(&byte, 1) == 1 ? byte : 0;
}

size_t TCommPort::InputCount() const {
    std::lock_guard lock(lock_);
    if (fd_ < 0) return 0;
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0 || n < 0) return 0;
    return size_t(n);
}

bool TCommPort::WaitForInput(int ms) {
    Use use(*this);
    if (use.fd() < 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (aborted()) return true;
        int n = 0;
        if (::ioctl(use.fd(), FIONREAD, &n) == 0 && n > 0) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        const WaitResult r = WaitOn(use.fd(), POLLIN, wakeFd_, int(left));
        if (r.failed) return true;
        if (r.wake) {
            if (!aborted()) drainWake();
            continue;
        }
        // Ready with nothing to count: a hung-up line, which the read reports.
        if (r.line) return true;
    }
}

unsigned TCommPort::LineBaudRate() const {
    std::lock_guard lock(lock_);
    return fd_ < 0 ? 0 : ReadLineBaudRate(fd_);
}

}  // namespace orv
