#pragma once
// The one door to the hardware: byte reads and writes of 16-bit I/O ports.
// modify() is an atomic read-modify-write, so threads that share an output port
// (drive control, dome and focus relays) never undo each other's bits.

#include <cstdint>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace orv {

class PortBus {
public:
    virtual ~PortBus() = default;
    virtual uint8_t read(uint16_t port) = 0;
    virtual void write(uint16_t port, uint8_t value) = 0;
    // Clears `clearMask`, then sets `setMask`, as one step; returns the new value.
    virtual uint8_t modify(uint16_t port, uint8_t clearMask, uint8_t setMask) = 0;
};

struct PortError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// For tests: logs every access in order, answers reads from scripted values
// (a queue per port, then a fixed level), and output ports read back what was written.
class RecordingBus final : public PortBus {
public:
    struct Access {
        enum Kind { Read, Write } kind;
        uint16_t port;
        uint8_t value;
        bool operator==(const Access&) const = default;
    };

    uint8_t read(uint16_t port) override;
    void write(uint16_t port, uint8_t value) override;
    uint8_t modify(uint16_t port, uint8_t clearMask, uint8_t setMask) override;

    // The value every read of `port` gives, unless a queued value is pending.
    void setInput(uint16_t port, uint8_t value);
    // Values the next reads of `port` give, in order, before the fixed level.
    void queueInput(uint16_t port, std::vector<uint8_t> values);

    std::vector<Access> log() const;
    std::vector<Access> writes() const;              // only the writes, in order
    std::vector<uint8_t> writesTo(uint16_t port) const;
    void clearLog();
    uint8_t lastWritten(uint16_t port) const;

private:
    mutable std::mutex mutex_;
    std::vector<Access> log_;
    std::map<uint16_t, uint8_t> level_;
    std::map<uint16_t, std::vector<uint8_t>> queued_;
};

// The real interface electronics through /dev/port (needs root or CAP_SYS_RAWIO).
class DevPortBus final : public PortBus {
public:
    // Throws PortError "Cannot open IOPort" when the device cannot be opened.
    explicit DevPortBus(const std::string& device = "/dev/port");
    ~DevPortBus() override;
    uint8_t read(uint16_t port) override;
    void write(uint16_t port, uint8_t value) override;
    uint8_t modify(uint16_t port, uint8_t clearMask, uint8_t setMask) override;

private:
    int fd_ = -1;
    std::mutex modifyMutex_;
};

}  // namespace orv
