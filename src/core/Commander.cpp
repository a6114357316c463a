#include "core/Commander.h"

#include "core/Clock.h"
#include "core/TelescopeState.h"

namespace orv {

void Commander::issue(int code, const std::vector<double>& params) {
    auto& s = state_;
    for (size_t i = 0; i < params.size() && i + 1 < s.CommandParam.size(); ++i)
        s.CommandParam[i + 1] = params[i];
    s.StateCode = code;
}

void Commander::stop() {
    state_.StopRequest = 1;
    state_.StopGeneration.fetch_add(1);
    state_.StateCode = 13;
}

bool Commander::waitUntilIdle(int64_t timeoutMs, const Pump& pump) {
    const int64_t deadline = clock_.nowMs() + timeoutMs;
    while (state_.StateCode != 0) {
        if (terminating_.load() || clock_.nowMs() > deadline) return false;
        if (pump) pump();
        clock_.sleepMs(5, &terminating_);
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
