#pragma once
// The command handshake as every commander uses it: parameters first, then the
// state code; a commander that sends several in a row waits for StateCode to
// return to 0 between them, pumping its own event loop meanwhile.

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace orv {

class Clock;
struct TelescopeState;

class Commander {
public:
    using Pump = std::function<void()>;   // e.g. lets a window's event loop run while waiting

    // `terminating` is the system's stop flag: every wait ends when it is set.
    Commander(TelescopeState& state, Clock& clock, const std::atomic<bool>& terminating)
        : state_(state), clock_(clock), terminating_(terminating) {}

    // Writes params into CommandParam[1..n], then `code` into StateCode.
    void issue(int code, const std::vector<double>& params = {});
    // Interrupts a running motion: StopRequest first, then code 13.
    void stop();
    // Waits until StateCode is 0; false if `timeoutMs` of system time passed first
    // or the system is stopping. `pump` runs between checks.
    bool waitUntilIdle(int64_t timeoutMs, const Pump& pump = {});
    // Issues the commands one after another, each once the previous one was taken.
    bool issueInOrder(const std::vector<std::pair<int, std::vector<double>>>& commands,
                      int64_t timeoutMs, const Pump& pump = {});

private:
    TelescopeState& state_;
    Clock& clock_;
    const std::atomic<bool>& terminating_;
};

}  // namespace orv
