#include "core/Commander.h"

#include "core/System.h"

namespace orv {

void Commander::issue(int code, const std::vector<double>& params) {
    auto& s = system_.state;
    for (size_t i = 0; i < params.size() && i + 1 < s.CommandParam.size(); ++i)
        s.CommandParam[i + 1] = params[i];
    s.StateCode = code;
}

void Commander::stop() {
    system_.state.StopRequest = 1;
    system_.state.StateCode = 13;
}

bool Commander::waitUntilIdle(int64_t timeoutMs, const Pump& pump) {
    const int64_t deadline = system_.clock.nowMs() + timeoutMs;
    while (system_.state.StateCode != 0) {
        if (system_.isTerminating() || system_.clock.nowMs() > deadline) return false;
        if (pump) pump();
        system_.sleep(5);
    }
    return true;
}

bool Commander::issueInOrder(const std::vector<std::pair<int, std::vector<double>>>& commands,
                             int64_t timeoutMs, const Pump& pump) {
    for (const auto& [code, params] : commands) {
        if (!waitUntilIdle(timeoutMs, pump)) return false;
        issue(code, params);
    }
    return true;
}

}  // namespace orv
