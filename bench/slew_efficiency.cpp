// Slew efficiency on the simulated telescope at time scale 1: how long a 5-degree
// slew in declination and a 5 x 5 degree slew in both axes take against the ideal
// time of a perfect axis that follows the approach speed table with the servo's
// acceleration (100 arcsec/s per 20 ms ramp step) and sees its position without
// delay. Counters: measured and ideal time of the slew loop (SLEWING set to
// cleared, seconds), their ratio, and the final errors on both axes (arcsec) as
// the loop left them and one second later.
//
// Run: build-<dir>/bench/bench_slew_efficiency   (about a minute of real time)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "../tests/system/SimSystem.h"
#include "control/SlewHelpers.h"

namespace orv {
namespace {

using testing::SimSystem;

constexpr double Acceleration = 100.0 / 0.020;   // arcsec/s per second

// Seconds a perfect axis needs for `distance` degrees: the rate follows
// ApproachRate of the true remaining distance, limited by the acceleration,
// until the remaining distance is within the arrival tolerance.
double IdealAxisSeconds(double distance) {
    const double dt = 1e-4;
    double remaining = distance, rate = 0, t = 0;
    while (remaining > SlewArrivalTolerance) {
        const double demand = ApproachRate(remaining);
        const double step = Acceleration * dt;
        rate = rate < demand ? std::min(demand, rate + step) : std::max(demand, rate - step);
        remaining -= rate * dt / 3600.0;
        t += dt;
    }
    return t;
}

bool StartAt(SimSystem& w, double ha, double dec) {
    auto& s = w.system.state;
    if (!w.started || !w.setDate(2024, 3, 20, 12.0)) return false;
    if (!w.command(3, {WrapHours24(s.LST - ha), dec, 0})) return false;
    w.clock.sleepMs(300);   // a few coordinate passes show the new position
    return true;
}

struct SlewResult {
    bool ok = false;
    double seconds = 0;                 // SLEWING set to cleared
    double ideal = 0;                   // seconds, for the distances at the start
    double raErr = 0, decErr = 0;       // arcsec, as the loop left them
    double raLater = 0, decLater = 0;   // arcsec, one second after the end
};

SlewResult Slew(SimSystem& w, double ra, double dec) {
    auto& s = w.system.state;
    SlewResult r;
    if (!w.command(6, {ra, dec, 0}) || !testBits(s.StatusFlags1, status1::SlewEnabled)) return r;
    auto raErr = [&] { return std::fabs(WrapHours12(s.RA - s.TargetRA)) * 54000.0; };
    auto decErr = [&] { return std::fabs(s.Dec - s.TargetDec) * 3600.0; };
    w.commander.issue(12);
    if (!w.waitFor([&] { return s.SlewInProgress == 1; }, 5000, 1)) return r;
    const int64_t t0 = w.clock.nowMs();
    r.ideal = std::max(IdealAxisSeconds(raErr() / 3600.0), IdealAxisSeconds(decErr() / 3600.0));
    int64_t t1 = t0;
    r.ok = w.waitFor([&] {
        if (s.SlewInProgress == 0) return true;
        t1 = w.clock.nowMs();
        r.raErr = raErr();
        r.decErr = decErr();
        return false;
    }, 120000, 1);
    r.seconds = static_cast<double>(t1 - t0) / 1000.0;
    w.clock.sleepMs(1000);
    r.raLater = raErr();
    r.decLater = decErr();
    return r;
}

void Report(benchmark::State& state, const SlewResult& r) {
    const double ideal = r.ideal;
    if (!r.ok) state.SkipWithError("slew did not run to its end");
    state.counters["measured_s"] = r.seconds;
    state.counters["ideal_s"] = ideal;
    state.counters["ratio"] = r.seconds / ideal;
    state.counters["ra_err_as"] = r.raErr;
    state.counters["dec_err_as"] = r.decErr;
    state.counters["ra_err_1s_as"] = r.raLater;
    state.counters["dec_err_1s_as"] = r.decLater;
}

void BM_DecSlew5Degrees(benchmark::State& state) {
    for (auto _ : state) {
        SimSystem w(1.0);
        if (!StartAt(w, 0.0, 30.0)) {
            state.SkipWithError("system did not start");
            break;
        }
        Report(state, Slew(w, w.system.state.RA, 35.0));
    }
}

void BM_RADecSlew5x5Degrees(benchmark::State& state) {
    for (auto _ : state) {
        SimSystem w(1.0);
        if (!StartAt(w, 0.1667, 30.0)) {
            state.SkipWithError("system did not start");
            break;
        }
        const double ra = WrapHours24(w.system.state.RA + 5.0 / 15.0);   // 5 degrees east
        Report(state, Slew(w, ra, 35.0));
    }
}

BENCHMARK(BM_DecSlew5Degrees)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK(BM_RADecSlew5x5Degrees)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace orv
