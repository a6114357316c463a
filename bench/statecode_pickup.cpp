// How long a command waits for the state machine, on the simulated telescope at
// time scale 1: a commander writes code 22 (set display equinox, which runs at
// once) into StateCode at a random moment and the time until StateCode is back
// at 0 is measured. The state machine looks at StateCode once per idle pass
// (50 ms + 50 ms), so the delay lies between 0 and about 100 ms and its median
// near 50 ms. 200 commands; p50, p99 and the largest delay in ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "control/System.h"
#include "core/Commander.h"
#include "sim/SimulatedInterface.h"

namespace {

using namespace orv;
using Steady = std::chrono::steady_clock;

constexpr int Commands = 200;
constexpr int SetDisplayEquinox = 22;

double msSince(Steady::time_point t0) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

// Nearest-rank percentile.
double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

template <class Pred>
bool waitUntil(Pred pred, double timeoutMs) {
    const auto t0 = Steady::now();
    while (!pred()) {
        if (msSince(t0) > timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

void BM_StateCodePickup(benchmark::State& state) {
    RealClock clock(1.0);
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    Commander& commander = system.commander;
    auto& s = system.state;
    if (!waitUntil([&] { return testBits(s.StatusFlags1, status1::Initialized) && s.StateCode == 0; }, 5000)) {
        state.SkipWithError("system did not start");
        return;
    }

    std::mt19937 random(20240320);
    // A command's pass ends with a 50 ms pause, then the idle passes follow every
    // 100 ms: waiting 150 to 250 ms after the last pickup lands at a uniformly
    // random point of one idle pass, as a commander arriving at any time would.
    std::uniform_int_distribution<int> phaseUs(150000, 250000);
    std::vector<double> delays;
    int lost = 0;
    for (auto _ : state) {
        for (int i = 0; i < Commands; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(phaseUs(random)));
            const auto t0 = Steady::now();
            commander.issue(SetDisplayEquinox, {i % 2 == 0 ? 2000.0 : 1950.0});
            if (!waitUntil([&] { return s.StateCode == 0; }, 1000)) {
                ++lost;
                continue;
            }
            delays.push_back(msSince(t0));
        }
    }
    system.StopSystem();
    if (delays.empty()) {
        state.SkipWithError("no command was picked up");
        return;
    }

    const double p50 = percentile(delays, 0.50), p99 = percentile(delays, 0.99);
    const double worst = *std::max_element(delays.begin(), delays.end());
    state.counters["p50_ms"] = p50;
    state.counters["p99_ms"] = p99;
    state.counters["max_ms"] = worst;
    state.counters["lost"] = lost;
    std::printf("StateCode pickup over %zu commands: p50 %.1f ms, p99 %.1f ms, max %.1f ms, not taken %d\n",
                delays.size(), p50, p99, worst, lost);
}

BENCHMARK(BM_StateCodePickup)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
