// Latency of the drive interlock on the simulated telescope at time scale 1:
// during a hand-paddle slew at 1000 arcsec/s on both axes the interlock input is
// opened; measured are the time until both commanded offset rates (HARate,
// DecRate) are 0, and the time until both axes in the simulator's truth are back
// at the rates they had while only tracking. 50 trials, p50 and p99 in ms.
// Targets: offset rates 0 within 60 ms, axes at tracking rate within 300 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "control/System.h"
#include "core/Ports.h"
#include "sim/SimulatedInterface.h"

namespace {

using namespace orv;
using Steady = std::chrono::steady_clock;

constexpr int Trials = 50;
constexpr double SlewReached = 900.0;    // arcsec/s above tracking: the paddle slew is under way
constexpr double TrackingBand = 1.0;     // arcsec/s: back at the tracking rate
constexpr uint8_t PanelIdle = SimulatedInterface::DefaultFrontPanel;

double msSince(Steady::time_point t0) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    const double rank = p * static_cast<double>(v.size() - 1);
    const size_t lo = static_cast<size_t>(std::floor(rank));
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (v[hi] - v[lo]) * (rank - static_cast<double>(lo));
}

template <class Pred>
bool waitUntil(Pred pred, double timeoutMs) {
    const auto t0 = Steady::now();
    while (!pred()) {
        if (msSince(t0) > timeoutMs) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

void BM_InterlockDuringPaddleSlew(benchmark::State& state) {
    RealClock clock(1.0);
    SimulatedInterface sim(clock);
    System system(clock, sim, SystemOptions{".", false});
    system.StartSystem();
    auto& s = system.state;
    if (!waitUntil([&] { return testBits(s.StatusFlags1, status1::Initialized) && s.StateCode == 0; }, 5000)) {
        state.SkipWithError("system did not start");
        return;
    }

    std::vector<double> toZero, toTracking;
    int failed = 0;
    for (auto _ : state) {
        for (int trial = 0; trial < Trials; ++trial) {
            // Tracking only: note the rates the axes run at.
            sim.setInput(ports::FrontPanel, PanelIdle);
            sim.setInput(ports::PaddleInput, 0xFF);
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            const auto base = sim.truth().axis_rate_arcsec;
            auto offset = [&](size_t axis) { return std::abs(sim.truth().axis_rate_arcsec[axis] - base[axis]); };

            // Paddle slew, north-west and south-east in turn so the telescope stays put.
            const uint8_t dir = (trial % 2 == 0) ? (ports::PaddleNorth | ports::PaddleWest)
                                                 : (ports::PaddleSouth | ports::PaddleEast);
            sim.setInput(ports::PaddleInput, static_cast<uint8_t>(~(dir | ports::PaddleSlewSpeed)));
            if (!waitUntil([&] { return offset(0) > SlewReached && offset(1) > SlewReached; }, 3000)) {
                ++failed;
                continue;
            }

            const auto opened = Steady::now();
            sim.setInput(ports::FrontPanel, PanelIdle & ~ports::InterlockBit);
            double zeroMs = -1;
            const bool back = waitUntil([&] {
                if (zeroMs < 0 && s.HARate == 0 && s.DecRate == 0) zeroMs = msSince(opened);
                return zeroMs >= 0 && offset(0) < TrackingBand && offset(1) < TrackingBand;
            }, 3000);
            if (!back) {
                ++failed;
                continue;
            }
            toZero.push_back(zeroMs);
            toTracking.push_back(msSince(opened));
        }
    }
    sim.setInput(ports::FrontPanel, PanelIdle);
    sim.setInput(ports::PaddleInput, 0xFF);
    system.StopSystem();

    if (toZero.empty()) {
        state.SkipWithError("no trial completed");
        return;
    }
    state.counters["trials"] = static_cast<double>(toZero.size());
    state.counters["failed"] = failed;
    state.counters["offset0_p50_ms"] = percentile(toZero, 0.50);
    state.counters["offset0_p99_ms"] = percentile(toZero, 0.99);
    state.counters["tracking_p50_ms"] = percentile(toTracking, 0.50);
    state.counters["tracking_p99_ms"] = percentile(toTracking, 0.99);
    std::printf("interlock -> offset rates 0: p50 %.1f ms, p99 %.1f ms (target 60 ms)\n",
                percentile(toZero, 0.50), percentile(toZero, 0.99));
    std::printf("interlock -> axes at tracking rate: p50 %.1f ms, p99 %.1f ms (target 300 ms)\n",
                percentile(toTracking, 0.50), percentile(toTracking, 0.99));
}
BENCHMARK(BM_InterlockDuringPaddleSlew)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
