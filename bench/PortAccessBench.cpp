// Cost of one port access on the simulated interface electronics, on the real
// clock: a plain output read-back, a drive-control write (which re-evaluates every
// drive), an atomic read-modify-write, and the time task's counter read sequence
// (8 writes and 12 reads).

#include <benchmark/benchmark.h>

#include "core/Ports.h"
#include "sim/SimulatedInterface.h"

namespace {

using namespace orv;
using namespace orv::ports;

void BM_ReadOutputPort(benchmark::State& state) {
    RealClock clock;
    SimulatedInterface sim(clock);
    for (auto _ : state) benchmark::DoNotOptimize(sim.read(DriveControl));
}
BENCHMARK(BM_ReadOutputPort);

void BM_WriteDriveControl(benchmark::State& state) {
    RealClock clock;
    SimulatedInterface sim(clock);
    uint8_t v = 0xFF;
    for (auto _ : state) {
        sim.write(DriveControl, v);
        v ^= RADirectionBit;
    }
}
BENCHMARK(BM_WriteDriveControl);

void BM_ModifyRelays(benchmark::State& state) {
    RealClock clock;
    SimulatedInterface sim(clock);
    for (auto _ : state) benchmark::DoNotOptimize(sim.modify(DomeFocus, FocusSlowBit, FocusSlowBit));
}
BENCHMARK(BM_ModifyRelays);

void BM_ReadFourCounters(benchmark::State& state) {
    RealClock clock;
    SimulatedInterface sim(clock);
    sim.write(RATimerBase + 1, 0x8E);
    sim.write(RATimerBase + 1, 0x8B);
    sim.write(RATimerBase, 2);
    sim.write(RATimerBase, 0);
    sim.modify(DividerMode, RADividerBit, 0);  // the RA axis tracks while we read
    for (auto _ : state) {
        for (int c = 0; c < 4; ++c) sim.write(CounterControl(c), CounterStartTransfer);
        for (int c = 0; c < 4; ++c) sim.write(CounterControl(c), CounterLatch);
        for (int c = 0; c < 4; ++c)
            for (int b = 0; b < 3; ++b) benchmark::DoNotOptimize(sim.read(CounterData(c)));
    }
    state.SetItemsProcessed(state.iterations() * 20);  // port accesses
}
BENCHMARK(BM_ReadFourCounters);

}  // namespace
