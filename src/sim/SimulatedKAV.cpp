#include "sim/SimulatedKAV.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace orv {

namespace {

constexpr uint8_t Attention = 0xF5;
constexpr uint8_t Acknowledge = 0xEA;
constexpr int StatusRequest = 0xFFF;
constexpr int MaxADU = 4095;
// Where the devices rest at power-up: both wheels on their first filter, the stage stowed.
constexpr double SouthStartADU = 181, StageStartADU = 2360, OnAxisStartADU = 2488;
// What the mirror's potentiometer reads at each of its four positions; 0 before it has been turned.
constexpr int MirrorADU[] = {310, 1330, 2350, 3370};
// How long the serving thread waits for a byte before it looks at the clock,
// real ms: briefly while replies are due, longer while nothing is.
constexpr int LookMs = 2;
constexpr int IdleLookMs = 50;

// Readbacks are garbled into bytes that are neither hexadecimal digits nor the acknowledgement.
constexpr char GarbageBytes[] = "?#z!~q@%";

double SpeedOf(int device) { return device == 1 ? SimulatedKAV::StageADUPerSecond : SimulatedKAV::WheelADUPerSecond; }

const char* ModeName(SimulatedKAV::Mode mode) {
    switch (mode) {
    case SimulatedKAV::Mode::Normal: return "normal";
    case SimulatedKAV::Mode::Silent: return "silent";
    case SimulatedKAV::Mode::Garbage: return "garbage";
    case SimulatedKAV::Mode::Slow: return "slow";
    }
    return "normal";
}

}  // namespace

double SimulatedKAV::Motion::at(int64_t t) const {
    const double travelled = perSecond * double(std::max<int64_t>(t - startMs, 0)) / 1000.0;
    const double distance = std::fabs(to - from);
    if (travelled >= distance) return to;
    return from + (to > from ? travelled : -travelled);
}

int64_t SimulatedKAV::Motion::endMs() const {
    return startMs + int64_t(std::ceil(std::fabs(to - from) / perSecond * 1000.0));
}

SimulatedKAV::SimulatedKAV(const Clock& clock, uint32_t seed) : clock_(clock), random_(seed) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::system_error(errno, std::system_category(), "simulated KAV: no pseudo-terminal");
    path_ = name;
    // Raw from the start: nothing the instrument sends may come back as an echo.
    termios raw{};
    if (::tcgetattr(slave_, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(slave_, TCSANOW, &raw);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    const int64_t now = clock_.nowMs();
    motion_[0] = {SouthStartADU, SouthStartADU, now, WheelADUPerSecond};
    motion_[1] = {StageStartADU, StageStartADU, now, StageADUPerSecond};
    motion_[3] = {OnAxisStartADU, OnAxisStartADU, now, WheelADUPerSecond};
    thread_ = std::thread([this] { run(); });
}

SimulatedKAV::~SimulatedKAV() {
    stop_ = true;
    thread_.join();
    ::close(master_);
    // The slave stays open until here, so the line stays up while Orv reopens it.
    ::close(slave_);
}

void SimulatedKAV::setMode(Mode mode, int64_t delayMs) {
    std::lock_guard lock(mutex_);
    mode_ = mode;
    delayMs_ = mode == Mode::Slow ? std::max<int64_t>(delayMs, 0) : 0;
}

SimulatedKAV::Truth SimulatedKAV::truth() {
    std::lock_guard lock(mutex_);
    const int64_t now = clock_.nowMs();
    bool moving = now < mirrorDoneMs_;
    for (int d : {0, 1, 3}) moving = moving || now < motion_[size_t(d)].endMs();
    return {motion_[0].at(now), motion_[1].at(now), motion_[3].at(now), now < mirrorDoneMs_ ? -1 : mirror_,
            port_, moving, received_};
}

std::string SimulatedKAV::control(std::string_view arguments) {
    while (!arguments.empty() && arguments.front() == ' ') arguments.remove_prefix(1);
    while (!arguments.empty() && arguments.back() == ' ') arguments.remove_suffix(1);
    if (arguments.empty()) {
        const Truth t = truth();
        std::lock_guard lock(mutex_);
        char line[160];
        std::snprintf(line, sizeof line, "south=%.0f stage=%.0f onaxis=%.0f mirror=%d port=%d moving=%d mode=%s",
                      t.southADU, t.stageADU, t.onAxisADU, t.mirror, t.port, t.moving ? 1 : 0, ModeName(mode_));
        return line;
    }
    if (arguments == "normal") return setMode(Mode::Normal), "ok";
    if (arguments == "silent") return setMode(Mode::Silent), "ok";
    if (arguments == "garbage") return setMode(Mode::Garbage), "ok";
    if (arguments.substr(0, 5) == "slow ") {
        std::string_view ms = arguments.substr(5);
        int64_t delay = 0;
        const auto r = std::from_chars(ms.data(), ms.data() + ms.size(), delay);
        if (r.ec != std::errc() || r.ptr != ms.data() + ms.size() || delay < 0 || delay > 600000)
            return "error bad delay";
        setMode(Mode::Slow, delay);
        return "ok";
    }
    return "error usage: kav [normal|silent|garbage|slow <ms>]";
}

void SimulatedKAV::run() {
    int lookMs = LookMs;
    while (!stop_.load()) {
        pollfd p{master_, POLLIN, 0};
        ::poll(&p, 1, lookMs);
        uint8_t buffer[64];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        std::lock_guard lock(mutex_);
        const int64_t now = clock_.nowMs();
        for (ssize_t i = 0; i < n; ++i) onByte(buffer[i], now);
        flushDue(now);
        lookMs = replies_.empty() ? IdleLookMs : LookMs;
    }
}

void SimulatedKAV::onByte(uint8_t byte, int64_t now) {
    ++received_;
    if (mode_ == Mode::Silent) return;
    if (phase_ != Phase::Idle && now > commandDeadline_) phase_ = Phase::Idle;
    switch (phase_) {
    case Phase::Idle:
        if (byte != Attention) return;   // anything else outside an exchange is noise
        break;
    case Phase::FirstByte:
        // No device 15 exists: 0xF5 here is the host asking again.
        if (byte == Attention) break;
        firstByte_ = byte;
        phase_ = Phase::SecondByte;
        return;
    case Phase::SecondByte:
        phase_ = Phase::Idle;
        execute(firstByte_ >> 4, ((firstByte_ & 0x0F) << 8) | byte, now);
        return;
    }
    reply(std::string(1, char(Acknowledge)), now + delayMs_);
    phase_ = Phase::FirstByte;
    commandDeadline_ = now + CommandWindowMs;
}

void SimulatedKAV::execute(int device, int value, int64_t now) {
    const int64_t due = now + delayMs_;
    const bool garbled = mode_ == Mode::Garbage;
    if (value == StatusRequest) {
        std::string bytes = readback(device, now);
        if (!bytes.empty()) reply(garbled ? garble(bytes.size()) : bytes, due);
        return;
    }
    switch (device) {
    case 0:
    case 1:
    case 3: {
        Motion& m = motion_[size_t(device)];
        const double from = m.at(now);
        m = {from, double(std::min(value, MaxADU)), now, SpeedOf(device)};
        result(std::max(m.endMs(), now) + delayMs_);
        return;
    }
    case 2:
        if (value > 3) {
            result(due);
            return;
        }
        mirror_ = value;
        mirrorDoneMs_ = now + MirrorTurnMs;
        result(mirrorDoneMs_ + delayMs_);
        return;
    case 4:
        port_ = value & 0xFF;
        result(due);
        return;
    default:
        return;   // no such device: nothing answers
    }
}

std::string SimulatedKAV::readback(int device, int64_t now) {
    auto hex = [](int adu) {
        char text[8];
        std::snprintf(text, sizeof text, "0%03X\r", std::clamp(adu, 0, MaxADU));
        return std::string(text, 5);
    };
    std::uniform_int_distribution<int> noise(-NoiseADU, NoiseADU);
    switch (device) {
    case 0:
    case 1:
    case 3: return hex(int(std::lround(motion_[size_t(device)].at(now))) + noise(random_));
    case 2: return hex(mirror_ < 0 || now < mirrorDoneMs_ ? 0 : MirrorADU[mirror_] + noise(random_));
    case 4: return std::string{char(port_), '\r'};
    default: return {};
    }
}

std::string SimulatedKAV::garble(size_t size) {
    std::uniform_int_distribution<size_t> pick(0, sizeof GarbageBytes - 2);
    std::string out;
    for (size_t i = 0; i < size; ++i) out += GarbageBytes[pick(random_)];
    return out;
}

void SimulatedKAV::reply(std::string bytes, int64_t dueMs) {
    // Answers leave in the order they were asked for, however late each is.
    dueMs = std::max(dueMs, lastAnswerDueMs_);
    lastAnswerDueMs_ = dueMs;
    replies_.emplace(dueMs, std::move(bytes));
}

void SimulatedKAV::result(int64_t dueMs) {
    // A move reports when it ends, whatever was asked meanwhile.
    replies_.emplace(dueMs, mode_ == Mode::Garbage ? garble(1) : std::string(1, char(ResultByte)));
}

void SimulatedKAV::flushDue(int64_t now) {
    while (!replies_.empty() && replies_.begin()->first <= now) {
        const std::string& bytes = replies_.begin()->second;
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) done += size_t(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        }
        replies_.erase(replies_.begin());
    }
}

}  // namespace orv
