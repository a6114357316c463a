#pragma once
// A whole Orv on the simulated telescope, time-scaled, for system tests: the real
// tasks and handlers run against the simulator exactly as they would against the
// interface electronics.

#include <functional>
#include <vector>

#include "control/System.h"
#include "core/Clock.h"
#include "core/Commander.h"
#include "sim/SimulatedInterface.h"

namespace orv::testing {

class SimSystem {
public:
    // Starts the system and waits until the first set-date command has run
    // (INITIALIZED set, StateCode back to 0).
    explicit SimSystem(double timeScale = 20.0, SystemOptions options = {".", false},
                       SimMechanics mechanics = {})
        : clock(timeScale), sim(clock, mechanics), system(clock, sim, std::move(options)), commander(system.commander) {
        system.StartSystem();
        started = waitFor([this] {
            return testBits(system.state.StatusFlags1, status1::Initialized) && system.state.StateCode == 0;
        }, 5000);
    }
    ~SimSystem() { system.StopSystem(); }

    // Polls `predicate` every `pollMs` of simulated time until it holds or
    // `simulatedMs` have passed.
    bool waitFor(const std::function<bool()>& predicate, int64_t simulatedMs, int64_t pollMs = 10) {
        const int64_t deadline = clock.nowMs() + simulatedMs;
        while (!predicate()) {
            if (clock.nowMs() > deadline) return predicate();
            clock.sleepMs(pollMs);
        }
        return true;
    }

    // Waits until the state machine is idle, then issues the command and waits until it was taken.
    bool command(int code, const std::vector<double>& params = {}, int64_t simulatedMs = 10000) {
        if (!waitFor([this] { return system.state.StateCode == 0; }, simulatedMs)) return false;
        commander.issue(code, params);
        return waitFor([this] { return system.state.StateCode == 0; }, simulatedMs);
    }

    // Sets a fixed date and time (UT hours) and lets a few coordinate passes run.
    bool setDate(int year, int month, int day, double ut) {
        bool ok = command(1, {double(year), double(month), double(day), ut});
        clock.sleepMs(300);
        return ok;
    }

    RealClock clock;
    SimulatedInterface sim;
    System system;
    Commander& commander;
    bool started = false;
};

}  // namespace orv::testing
