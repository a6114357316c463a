#pragma once
// The port sequences every other part calls: single reads and writes, counter
// presets, A/D conversions and the initialisation written at start.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "core/Clock.h"
#include "core/Locks.h"
#include "core/PortBus.h"

namespace orv {

inline uint8_t IOPortRead(PortBus& bus, uint16_t port) { return bus.read(port); }
inline void IOPortWrite(PortBus& bus, uint8_t value, uint16_t port) { bus.write(port, value); }

// Presets position counter `channel` (0..3) with `value` rounded to the nearest
// integer (ties to even), of which the low 24 bits are used. Callers hold CounterLock.
void LoadCounterChannel(PortBus& bus, int channel, double value);

// One 12-bit conversion of analogue channel `channel`, 0..4095. Takes `adcLock`
// for the whole sequence; waits 25 ms after the channel select and 5 ms after the
// start, then polls the busy bit for at most 10 ms and reads the result anyway.
int ReadADChannel(PortBus& bus, Clock& clock, SystemLock& adcLock, int channel,
                  const std::atomic<bool>* abort = nullptr);
// The conversion sequence itself; the caller holds the A/D lock.
int ReadADChannelLocked(PortBus& bus, Clock& clock, int channel, const std::atomic<bool>* abort);

// Decodes the converter's two result bytes.
inline int DecodeADResult(uint8_t high, uint8_t low) {
    return ((high & 0x0F) << 8) | (high & 0xF0) | (low & 0x0F);
}

// The write sequence at start: A/D select, counter set-up, I/O group set-up and
// the start pulse on the divider-mode port.
void InitialiseInterface(PortBus& bus);

}  // namespace orv
