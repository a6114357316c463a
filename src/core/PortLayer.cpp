#include "core/PortLayer.h"

#include <cmath>

#include "core/Ports.h"
#include "core/Timeout.h"

namespace orv {

void LoadCounterChannel(PortBus& bus, int channel, double value) {
    // nearbyint rounds halves to even in the default rounding mode. Only the low
    // 24 bits reach the counter; a non-finite value (a zero scale) loads 0.
    double rounded = std::isfinite(value) ? std::fmod(std::nearbyint(value), 16777216.0) : 0.0;
    auto bits = static_cast<uint32_t>(static_cast<int32_t>(rounded)) & 0xFFFFFFu;
    uint16_t data = ports::CounterData(channel), control = ports::CounterControl(channel);
    bus.write(control, ports::CounterStartTransfer);
    bus.write(data, static_cast<uint8_t>(bits & 0xFF));
    bus.write(data, static_cast<uint8_t>((bits >> 8) & 0xFF));
    bus.write(data, static_cast<uint8_t>((bits >> 16) & 0xFF));
    bus.write(control, ports::CounterPresetToCount);
}

int ReadADChannel(PortBus& bus, Clock& clock, SystemLock& adcLock, int channel,
                  const std::atomic<bool>* abort) {
    std::lock_guard lock(adcLock);
    return ReadADChannelLocked(bus, clock, channel, abort);
}

int ReadADChannelLocked(PortBus& bus, Clock& clock, int channel, const std::atomic<bool>* abort) {
    bus.write(ports::ADSelect, static_cast<uint8_t>(channel));
    clock.sleepMs(25, abort);
    bus.write(ports::ADHigh, 0);
    clock.sleepMs(5, abort);
    TTimeout timeout(clock);
    timeout.start(10);
    while ((bus.read(ports::ADSelect) & ports::ADBusyBit) != 0 && !timeout.expired()) {
        if (abort && abort->load()) break;
        clock.sleepMs(1, abort);  // a conversion takes microseconds; don't spin a core
    }
    uint8_t low = bus.read(ports::ADLow);
    uint8_t high = bus.read(ports::ADHigh);
    return DecodeADResult(high, low);
}

void InitialiseInterface(PortBus& bus) {
    bus.write(ports::ADSelect, 0x00);
    // The counter read buffers are the time task's own; nothing to point here.
    for (uint8_t command : {ports::CounterModeC3, ports::CounterMode80, ports::CounterMode68,
                            ports::CounterStartTransfer})
        for (int channel = 0; channel < 4; ++channel) bus.write(ports::CounterControl(channel), command);
    bus.write(ports::Setup283, 0xFF);
    bus.write(ports::Setup284, 0xFF);
    bus.write(ports::Setup683, 0xFF);
    bus.write(ports::SetupA83, 0xFF);
    bus.write(ports::SetupA84, 0xEF);
    bus.modify(ports::DividerMode, ports::StartPulseBit, 0);
    bus.modify(ports::DividerMode, 0, ports::StartPulseBit);
}

}  // namespace orv
