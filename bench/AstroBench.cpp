// Cost of the two coordinate chains: one pass of the time task's reverse chain
// (pointing corrections, aberration, nutation, precession), run ten times a second,
// and one ObservedPlace, run when a target is loaded. Both should stay under 2 us.

#include <benchmark/benchmark.h>

#include <cmath>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"

namespace {

using namespace orv::astro;

AstroContext Context() {
    AstroContext c;
    c.Latitude = 40.0;
    c.SinLatitude = std::sin(c.Latitude * DegToRad);
    c.CosLatitude = std::cos(c.Latitude * DegToRad);
    c.Day = 15;
    c.Month = 3;
    c.Year = FractionalYear(2024, 3, 15);
    c.UT = 3.2;
    c.PointingTerm = {0, 45.0, -60.0, 4.0, -3.0, 2.5, 40.0, 50.0, -20.0, 30.0};
    return c;
}

void BM_ReverseChain(benchmark::State& state) {
    const AstroContext c = Context();
    double ha = 1.25, dec = 33.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ha);
        const ReverseChainResult r = ReverseChain(ha, dec, 7.3, 2000.0, c);
        benchmark::DoNotOptimize(r);
        ha += 1e-6;   // a tracking telescope: the place changes a little each pass
    }
}
BENCHMARK(BM_ReverseChain);

void BM_ObservedPlace(benchmark::State& state) {
    const AstroContext c = Context();
    double ra = 6.0;
    const std::function<double()> sidereal = [] { return 7.3; };
    for (auto _ : state) {
        PlaceRecord rec;
        rec.RA = ra;
        rec.Dec = 33.0;
        rec.Epoch = 2000.0;
        benchmark::DoNotOptimize(ObservedPlace(rec, c, sidereal));
        benchmark::DoNotOptimize(rec);
        ra += 1e-6;
    }
}
BENCHMARK(BM_ObservedPlace);

void BM_DomeAzimuthFor(benchmark::State& state) {
    const AstroContext c = Context();
    double ha = 1.25;
    for (auto _ : state) {
        benchmark::DoNotOptimize(DomeAzimuthFor(ha, 33.0, c));
        ha += 1e-6;
    }
}
BENCHMARK(BM_DomeAzimuthFor);

}  // namespace
