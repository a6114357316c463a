#include "core/PortBus.h"

#include <fcntl.h>
#include <unistd.h>

#include "core/Ports.h"

namespace orv {

uint8_t RecordingBus::read(uint16_t port) {
    std::lock_guard lock(mutex_);
    uint8_t value;
    auto q = queued_.find(port);
    if (q != queued_.end() && !q->second.empty()) {
        value = q->second.front();
        q->second.erase(q->second.begin());
    } else {
        auto l = level_.find(port);
        value = l != level_.end() ? l->second : 0;
    }
    log_.push_back({Access::Read, port, value});
    return value;
}

void RecordingBus::write(uint16_t port, uint8_t value) {
    std::lock_guard lock(mutex_);
    log_.push_back({Access::Write, port, value});
    level_[port] = value;
}

uint8_t RecordingBus::modify(uint16_t port, uint8_t clearMask, uint8_t setMask) {
    std::lock_guard lock(mutex_);
    uint8_t old = level_.count(port) ? level_[port] : 0;
    log_.push_back({Access::Read, port, old});
    uint8_t value = static_cast<uint8_t>((old & ~clearMask) | setMask);
    log_.push_back({Access::Write, port, value});
    level_[port] = value;
    return value;
}

void RecordingBus::setInput(uint16_t port, uint8_t value) {
    std::lock_guard lock(mutex_);
    level_[port] = value;
}

void RecordingBus::queueInput(uint16_t port, std::vector<uint8_t> values) {
    std::lock_guard lock(mutex_);
    auto& q = queued_[port];
    q.insert(q.end(), values.begin(), values.end());
}

std::vector<RecordingBus::Access> RecordingBus::log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<RecordingBus::Access> RecordingBus::writes() const {
    std::lock_guard lock(mutex_);
    std::vector<Access> out;
    for (const auto& a : log_)
        if (a.kind == Access::Write) out.push_back(a);
    return out;
}

std::vector<uint8_t> RecordingBus::writesTo(uint16_t port) const {
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> out;
    for (const auto& a : log_)
        if (a.kind == Access::Write && a.port == port) out.push_back(a.value);
    return out;
}

void RecordingBus::clearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

uint8_t RecordingBus::lastWritten(uint16_t port) const {
    std::lock_guard lock(mutex_);
    auto l = level_.find(port);
    return l != level_.end() ? l->second : 0;
}

DevPortBus::DevPortBus(const std::string& device) {
    fd_ = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) throw PortError("Cannot open IOPort");
}

DevPortBus::~DevPortBus() {
    if (fd_ >= 0) ::close(fd_);
}

uint8_t DevPortBus::read(uint16_t port) {
    uint8_t value = 0xFF;
    if (::pread(fd_, &value, 1, port) != 1) value = 0xFF;
    return value;
}

void DevPortBus::write(uint16_t port, uint8_t value) {
    // Port writes report no errors: a failed write leaves the output as it was.
    [[maybe_unused]] auto n = ::pwrite(fd_, &value, 1, port);
}

uint8_t DevPortBus::modify(uint16_t port, uint8_t clearMask, uint8_t setMask) {
    std::lock_guard lock(modifyMutex_);
    uint8_t value = static_cast<uint8_t>((read(port) & ~clearMask) | setMask);
    write(port, value);
    return value;
}

}  // namespace orv
