#pragma once
// The six named locks. Each guards a short sequence without waits; they nest
// only as CounterLock or ParameterLock outside ClockLock / CorrectionLock.

#include <mutex>

namespace orv {

struct Locks {
    std::mutex CounterLock;     // counter presets and reads with the values loaded with them
    std::mutex CorrectionLock;  // PointingCorrections and the corrections it publishes
    std::mutex ClockLock;       // reads and settings of UTClock and LSTClock
    std::mutex AxisLock;        // the axis tasks' port sequences on 0x289 / 0x28C and the timers
    std::mutex ParameterLock;   // mount parameters of code 24 against the coordinate update
    std::mutex ADCLock;         // one A/D conversion
};

}  // namespace orv
