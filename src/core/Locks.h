#pragma once
// The six named locks. Each guards a short sequence without waits; they nest
// only as CounterLock or ParameterLock outside ClockLock / CorrectionLock.

#include <pthread.h>

namespace orv {

// A plain mutex that is destroyed with its owner, so that tools watching lock
// order (ThreadSanitizer) never mistake a later system's locks, built at the
// same address, for this one's. Meets the Lockable requirements of std::lock_guard.
class SystemLock {
public:
    SystemLock() { pthread_mutex_init(&mutex_, nullptr); }
    ~SystemLock() { pthread_mutex_destroy(&mutex_); }
    SystemLock(const SystemLock&) = delete;
    SystemLock& operator=(const SystemLock&) = delete;
    void lock() { pthread_mutex_lock(&mutex_); }
    void unlock() { pthread_mutex_unlock(&mutex_); }
    bool try_lock() { return pthread_mutex_trylock(&mutex_) == 0; }

private:
    pthread_mutex_t mutex_;
};

struct Locks {
    SystemLock CounterLock;     // counter presets and reads with the values loaded with them
    SystemLock CorrectionLock;  // PointingCorrections and the corrections it publishes
    SystemLock ClockLock;       // reads and settings of UTClock and LSTClock
    SystemLock AxisLock;        // the axis tasks' port sequences on 0x289 / 0x28C and the timers
    SystemLock ParameterLock;   // mount parameters of code 24 against the coordinate update
    SystemLock ADCLock;         // one A/D conversion
};

}  // namespace orv
