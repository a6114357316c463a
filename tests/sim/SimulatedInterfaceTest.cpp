#include "sim/SimulatedInterface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "core/Locks.h"
#include "core/PortLayer.h"
#include "core/Ports.h"

namespace orv {
namespace {

using namespace ports;

int32_t readCounter(PortBus& bus, int channel) {
    bus.write(CounterControl(channel), CounterStartTransfer);
    bus.write(CounterControl(channel), CounterLatch);
    uint32_t low = bus.read(CounterData(channel));
    uint32_t mid = bus.read(CounterData(channel));
    uint32_t high = bus.read(CounterData(channel));
    uint32_t v = low | (mid << 8) | (high << 16);
    return (v & 0x800000u) ? static_cast<int32_t>(v) - 0x1000000 : static_cast<int32_t>(v);
}

void loadTimerChannel(PortBus& bus, uint16_t port, uint16_t count) {
    bus.write(port, static_cast<uint8_t>(count & 0xFF));
    bus.write(port, static_cast<uint8_t>(count >> 8));
}

void reinitTimer(PortBus& bus, uint16_t base) {
    bus.write(base + 3, TimerModeChannel0);
    bus.write(base + 3, TimerModeChannel1);
}

// One channel, n, with the given direction and fine-step bits of axis 0 (RA) or 1 (Dec).
void runSingle(PortBus& bus, int axis, uint16_t n, bool dirSet, bool fine) {
    uint16_t base = axis == 0 ? RATimerBase : DecTimerBase;
    uint8_t dir = axis == 0 ? RADirectionBit : DecDirectionBit;
    uint8_t fineBit = axis == 0 ? RAFineStepBit : DecFineStepBit;
    reinitTimer(bus, base);
    bus.modify(DriveControl, static_cast<uint8_t>(dir | fineBit),
               static_cast<uint8_t>((dirSet ? dir : 0) | (fine ? fineBit : 0)));
    loadTimerChannel(bus, base, n);
    bus.modify(DividerMode, 0, axis == 0 ? RADividerBit : DecDividerBit);
}

constexpr double RAArcsecPerCount = 1.062566;  // HAScale * 15 * 3600
constexpr double DecArcsecPerCount = 1.0125;   // DecScale * 3600

class SimTest : public ::testing::Test {
protected:
    ManualClock clock;
    SimulatedInterface sim{clock};
    void advanceSeconds(double s) { clock.advance(static_cast<int64_t>(s * 1000)); }
};

// --- axis drives ---

TEST_F(SimTest, SiderealCascadeAdvancesTheRACounterAtTheTrackingRate) {
    reinitTimer(sim, RATimerBase);
    sim.modify(DividerMode, RADividerBit, 0);                      // two channels in cascade
    sim.modify(DriveControl, 0, RADirectionBit | RAFineStepBit);   // west, fine steps
    loadTimerChannel(sim, RATimerBase + 1, 35758);                 // g
    loadTimerChannel(sim, RATimerBase, 2);                         // f

    EXPECT_NEAR(sim.truth().step_hz[0], 10e6 / (2.0 * 35758), 1e-9);
    int32_t before = readCounter(sim, RACounter);
    advanceSeconds(1000);
    double countsPerSecond = (readCounter(sim, RACounter) - before) / 1000.0;
    double expected = 15.041 / RAArcsecPerCount;
    EXPECT_NEAR(countsPerSecond, expected, expected * 0.001);
    EXPECT_EQ(readCounter(sim, DecCounter), 0);  // the other axis stays put
}

TEST_F(SimTest, OneChannelCoarseStepsGiveAThousandArcsecondsPerSecond) {
    runSingle(sim, 0, 4303, true, false);
    EXPECT_NEAR(sim.truth().axis_rate_arcsec[0], 1000.0, 1.0);
    advanceSeconds(10);
    EXPECT_NEAR(sim.truth().axis_arcsec[0], 10000.0, 10.0);
    EXPECT_NEAR(readCounter(sim, RACounter), 10000.0 / RAArcsecPerCount, 10.0);
}

TEST_F(SimTest, DirectionBitsCountTheWayTheMountIsWired) {
    // RA: direction bit set counts up (west), clear counts down.
    runSingle(sim, 0, 4303, true, false);
    advanceSeconds(1);
    EXPECT_GT(readCounter(sim, RACounter), 900);
    runSingle(sim, 0, 4303, false, false);
    advanceSeconds(2);
    EXPECT_LT(readCounter(sim, RACounter), -900);

    // Dec: direction bit set counts down, clear counts up, through DecScale.
    runSingle(sim, 1, 4303, true, false);
    advanceSeconds(1);
    int32_t down = readCounter(sim, DecCounter);
    EXPECT_NEAR(down, -999.92 / DecArcsecPerCount, 1.5);
    EXPECT_LT(sim.truth().axis_rate_arcsec[1], 0);
    runSingle(sim, 1, 4303, false, false);
    advanceSeconds(2);
    EXPECT_NEAR(readCounter(sim, DecCounter), 999.92 / DecArcsecPerCount, 1.5);
}

TEST_F(SimTest, ReinitialisingTheTimerStopsTheAxis) {
    runSingle(sim, 0, 4303, true, false);
    advanceSeconds(1);
    sim.write(RATimerBase + 3, TimerModeChannel0);
    int32_t stopped = readCounter(sim, RACounter);
    EXPECT_EQ(sim.truth().axis_rate_arcsec[0], 0.0);
    advanceSeconds(10);
    EXPECT_EQ(readCounter(sim, RACounter), stopped);

    // In cascade, one loaded channel is not enough to step.
    sim.modify(DividerMode, RADividerBit, 0);
    loadTimerChannel(sim, RATimerBase, 2);
    EXPECT_EQ(sim.truth().step_hz[0], 0.0);
    // The low byte alone does not change a running count.
    loadTimerChannel(sim, RATimerBase + 1, 35758);
    double hz = sim.truth().step_hz[0];
    sim.write(RATimerBase, 0x10);
    EXPECT_EQ(sim.truth().step_hz[0], hz);
}

TEST_F(SimTest, OverfastStepOutputStallsAndReprogrammingDoesNotJump) {
    runSingle(sim, 0, 100, true, true);  // 100 kHz: beyond the motor
    EXPECT_EQ(sim.truth().step_hz[0], 100000.0);
    EXPECT_EQ(sim.truth().axis_rate_arcsec[0], 0.0);

    // From one channel to cascade, with a clock tick between loading the
    // prescaler and clearing the divider bit (f = 2 seen alone: 5 MHz).
    runSingle(sim, 0, 4303, true, false);
    double before = sim.truth().axis_arcsec[0];
    loadTimerChannel(sim, RATimerBase + 1, 35758);
    loadTimerChannel(sim, RATimerBase, 2);
    clock.advance(1);
    sim.modify(DividerMode, RADividerBit, 0);
    sim.modify(DriveControl, 0, RAFineStepBit);
    clock.advance(1);
    EXPECT_LT(sim.truth().axis_arcsec[0] - before, 1.0);
}

// --- position counters ---

TEST_F(SimTest, PresetLatchAndReadRoundTripOnAllFourCounters) {
    for (int channel = 0; channel < 4; ++channel) {
        for (double value : {0.0, 1.0, -1.0, 123456.0, -654321.0, 8388607.0, -8388608.0}) {
            LoadCounterChannel(sim, channel, value);
            EXPECT_EQ(readCounter(sim, channel), static_cast<int32_t>(value))
                << "channel " << channel << " value " << value;
            EXPECT_EQ(sim.truth().counters[static_cast<size_t>(channel)], static_cast<int32_t>(value));
        }
    }
    // 24 bits: a preset beyond them keeps the low 24.
    LoadCounterChannel(sim, 3, 16777216.0 + 5.0);
    EXPECT_EQ(readCounter(sim, 3), 5);
}

TEST_F(SimTest, CountsWrapAtTwentyFourBits) {
    LoadCounterChannel(sim, RACounter, 8388605.0);  // three below the top
    runSingle(sim, 0, 4303, true, false);
    double rate = sim.truth().axis_rate_arcsec[0];
    clock.advance(10);
    auto moved = static_cast<int32_t>(std::floor(rate * 0.010 / RAArcsecPerCount));
    ASSERT_GT(moved, 3);
    EXPECT_EQ(readCounter(sim, RACounter), -8388608 + (moved - 3));

    // And down through zero into the negative counts.
    LoadCounterChannel(sim, RACounter, 2.0);
    runSingle(sim, 0, 4303, false, false);
    clock.advance(10);
    EXPECT_LT(readCounter(sim, RACounter), 0);
}

TEST_F(SimTest, LatchFreezesTheCountAndMotionAddsToAPreset) {
    runSingle(sim, 0, 4303, true, false);
    advanceSeconds(1);
    LoadCounterChannel(sim, RACounter, 1000.0);
    EXPECT_EQ(readCounter(sim, RACounter), 1000);

    sim.write(CounterControl(0), CounterStartTransfer);
    sim.write(CounterControl(0), CounterLatch);
    advanceSeconds(1);  // the count moves on; the latch does not
    uint32_t low = sim.read(CounterData(0));
    uint32_t mid = sim.read(CounterData(0));
    EXPECT_EQ(low | (mid << 8), 1000u);
    // 0x01 restarts the transfer at the low byte.
    sim.write(CounterControl(0), CounterStartTransfer);
    EXPECT_EQ(sim.read(CounterData(0)), 1000 & 0xFF);

    int32_t later = readCounter(sim, RACounter);
    EXPECT_NEAR(later, 1000 + 999.92 / RAArcsecPerCount, 1.5);
}

// --- A/D converter ---

TEST(SimConverter, RoundTripThroughReadADChannel) {
    ManualClock clock(0, true);  // every sleep moves the time on
    SimulatedInterface sim(clock);
    SystemLock adcLock;
    sim.holdADChannel(0, 0xBAC);
    sim.holdADChannel(3, 4095);
    EXPECT_EQ(ReadADChannel(sim, clock, adcLock, 0), 0xBAC);
    EXPECT_EQ(sim.read(ADHigh), 0xAB);
    EXPECT_EQ(sim.read(ADLow) & 0x0F, 0x0C);
    EXPECT_EQ(ReadADChannel(sim, clock, adcLock, 3), 4095);
    EXPECT_EQ(ReadADChannel(sim, clock, adcLock, FocusADChannel), 1300);
    sim.holdADChannel(3, 0);
    EXPECT_EQ(ReadADChannel(sim, clock, adcLock, 3), 0);
    sim.holdADChannel(0, 99999);  // clamped to the converter's range
    EXPECT_EQ(ReadADChannel(sim, clock, adcLock, 0), 4095);
}

TEST_F(SimTest, ConverterIsBusyBrieflyAndSamplesAtTheStart) {
    sim.holdADChannel(0, 100);
    sim.write(ADSelect, 0);
    sim.write(ADHigh, 0);
    EXPECT_TRUE(sim.read(ADSelect) & ADBusyBit);
    sim.holdADChannel(0, 200);  // changes after the sample do not count
    clock.advance(SimulatedInterface::ADConversionMs);
    EXPECT_FALSE(sim.read(ADSelect) & ADBusyBit);
    EXPECT_EQ(DecodeADResult(sim.read(ADHigh), sim.read(ADLow)), 100);
}

// --- dome, focus, shutter ---

TEST_F(SimTest, DomeTurnsTheWayItsRelaysSay) {
    sim.write(DomeFocus, 0xFF & ~DomeLargerBit);
    advanceSeconds(10);
    EXPECT_NEAR(sim.truth().dome_deg, 20.0, 1e-6);
    double countsPer20Deg = 20.0 * 0.017453292519943295 / 0.00000342;
    EXPECT_NEAR(readCounter(sim, DomeCounter), countsPer20Deg, 1.0);

    sim.write(DomeFocus, 0xFF & ~(DomeLargerBit | DomeSmallerBit));  // both: no motion
    advanceSeconds(5);
    EXPECT_NEAR(sim.truth().dome_deg, 20.0, 1e-6);

    sim.write(DomeFocus, 0xFF & ~DomeSmallerBit);
    advanceSeconds(11);
    EXPECT_NEAR(sim.truth().dome_deg, 358.0, 1e-6);  // through north
    EXPECT_LT(readCounter(sim, DomeCounter), 0);
    sim.write(DomeFocus, 0xFF);

    // The counter's preset defines the azimuth: 270 degrees in counts.
    LoadCounterChannel(sim, DomeCounter, 270.0 * 0.017453292519943295 / 0.00000342);
    EXPECT_NEAR(sim.truth().dome_deg, 270.0, 0.001);
}

TEST_F(SimTest, FocusMovesTheWayItsBitsSay) {
    auto focus = [&] { return sim.truth().focus; };
    sim.write(DomeFocus, 0xFF & ~(FocusIncreaseBit | FocusSlowBit));  // increase, fast
    advanceSeconds(1);
    EXPECT_NEAR(focus(), 1300 + SimulatedInterface::FocusFastPerSecond, 1e-9);
    sim.write(DomeFocus, 0xFF & ~FocusDecreaseBit);  // decrease, slow
    advanceSeconds(1);
    EXPECT_NEAR(focus(), 1300 + SimulatedInterface::FocusFastPerSecond -
                             SimulatedInterface::FocusSlowPerSecond, 1e-9);
    double here = focus();
    sim.write(DomeFocus, 0xFF & ~(FocusIncreaseBit | FocusDecreaseBit));  // both: no motion
    advanceSeconds(1);
    EXPECT_EQ(focus(), here);
    sim.write(DomeFocus, 0xFF & ~(FocusIncreaseBit | FocusSlowBit));
    advanceSeconds(100);
    EXPECT_EQ(focus(), 4095.0);  // the end of the potentiometer
    EXPECT_EQ(sim.truth().dome_deg, 0.0);  // dome relays untouched
}

// The focus command against the time task's reading: a reading refreshed every
// 130 ms (select, 25 ms, start, 5 ms, read, 100 ms sleep), polled every 5 ms with
// a coarse band of 10 and a fine band of 5, ends close to the target.
TEST_F(SimTest, FocusCommandConvergesOnTheDelayedReading) {
    for (int target : {1050, 1310, 1330, 1900, 3500}) {
        for (int phase : {0, 37, 90}) {
            sim.holdADChannel(FocusADChannel, 1300);
            int64_t t0 = clock.nowMs();
            double reading = 1300;
            auto tick = [&] {
                int64_t p = (clock.nowMs() - t0 + phase) % 130;
                if (p == 0) sim.write(ADSelect, FocusADChannel);
                if (p == 25) sim.write(ADHigh, 0);
                if (p == 30) reading = DecodeADResult(sim.read(ADHigh), sim.read(ADLow));
                clock.advance(1);
            };
            auto wait5 = [&] { for (int i = 0; i < 5; ++i) tick(); };
            double d;
            int steps = 0;
            do {
                d = reading - target;
                if (d >= 0) sim.modify(DomeFocus, FocusDecreaseBit | FocusSlowBit, FocusIncreaseBit);
                else sim.modify(DomeFocus, FocusIncreaseBit | FocusSlowBit, FocusDecreaseBit);
                wait5();
            } while (std::abs(d) >= 10 && ++steps < 20000);
            do {
                d = reading - target;
                if (d >= 0) sim.modify(DomeFocus, FocusDecreaseBit, FocusIncreaseBit | FocusSlowBit);
                else sim.modify(DomeFocus, FocusIncreaseBit, FocusDecreaseBit | FocusSlowBit);
                wait5();
            } while (std::abs(d) >= 5 && ++steps < 20000);
            sim.modify(DomeFocus, 0, FocusDecreaseBit | FocusIncreaseBit | FocusSlowBit);
            EXPECT_LT(steps, 20000) << "target " << target << " phase " << phase;
            EXPECT_NEAR(sim.truth().focus, target, 9.0) << "target " << target << " phase " << phase;
        }
    }
}

TEST_F(SimTest, ShutterOpensSixtySecondsAfterItsDriveStarts) {
    EXPECT_EQ(sim.truth().shutter, "closed");
    sim.modify(DriveControl, ShutterStrobeBit, 0);
    clock.advance(10);
    sim.modify(DriveControl, 0, ShutterStrobeBit);
    clock.advance(10);
    sim.modify(DriveControl, ShutterOpenDriveBit, 0);
    EXPECT_EQ(sim.truth().shutter, "opening");
    clock.advance(30000);
    EXPECT_DOUBLE_EQ(sim.truth().shutter_fraction, 0.5);
    clock.advance(29999);
    EXPECT_EQ(sim.truth().shutter, "opening");
    clock.advance(1);
    EXPECT_EQ(sim.truth().shutter, "open");
    EXPECT_EQ(sim.truth().shutter_fraction, 1.0);
    clock.advance(20000);  // Orv holds the drive 80 s
    sim.modify(DriveControl, 0, ShutterOpenDriveBit);
    EXPECT_EQ(sim.truth().shutter, "open");

    sim.modify(SlewShutter, ShutterCloseDriveBit, 0);
    EXPECT_EQ(sim.truth().shutter, "closing");
    clock.advance(20000);
    sim.modify(DriveControl, ShutterOpenDriveBit, 0);  // both drives: it stops
    clock.advance(5000);
    EXPECT_NEAR(sim.truth().shutter_fraction, 40.0 / 60.0, 1e-12);
    EXPECT_EQ(sim.truth().shutter, "open");  // part-way open is open
    sim.modify(DriveControl, 0, ShutterOpenDriveBit);
    clock.advance(40000);
    EXPECT_EQ(sim.truth().shutter, "closed");
    EXPECT_EQ(sim.truth().shutter_fraction, 0.0);
}

// --- inputs and registers ---

TEST_F(SimTest, InputsHoldTheirLevelsAndIgnoreWrites) {
    EXPECT_EQ(sim.read(FrontPanel), 0x63);
    EXPECT_EQ(sim.read(PaddleInput), 0xFF);
    EXPECT_EQ(sim.read(CloudInput), 0xFF);
    sim.write(FrontPanel, 0x00);
    sim.modify(CloudInput, 0xFF, 0);
    EXPECT_EQ(sim.read(FrontPanel), 0x63);
    EXPECT_EQ(sim.read(CloudInput), 0xFF);
    EXPECT_EQ(sim.lastWritten(FrontPanel), 0x00);
    sim.setInput(FrontPanel, 0x62);  // interlock open
    sim.setInput(CloudInput, 0x7F);  // clouds
    sim.setInput(DriveControl, 0x00);  // not an input: ignored
    EXPECT_EQ(sim.read(FrontPanel), 0x62);
    EXPECT_EQ(sim.read(CloudInput), 0x7F);
    EXPECT_EQ(sim.read(DriveControl), 0xFF);
}

TEST_F(SimTest, OutputPortsReadBackAndInitialisationIsAccepted) {
    InitialiseInterface(sim);
    EXPECT_EQ(sim.read(SetupA84), 0xEF);
    EXPECT_EQ(sim.read(Setup283), 0xFF);
    EXPECT_EQ(sim.read(DividerMode) & StartPulseBit, StartPulseBit);
    EXPECT_EQ(sim.read(ADSelect), 0x00);
    EXPECT_EQ(sim.modify(SlewShutter, SlewShutterBit80, 0), 0x7F);
    EXPECT_EQ(sim.read(SlewShutter), 0x7F);
    for (int channel = 0; channel < 4; ++channel) EXPECT_EQ(readCounter(sim, channel), 0);
    auto t = sim.truth();
    EXPECT_EQ(t.shutter, "closed");
    EXPECT_EQ(t.axis_rate_arcsec[0], 0.0);
    EXPECT_EQ(t.focus, 1300.0);
}

TEST(SimConcurrency, ModifyNeverLosesAnotherThreadsBits) {
    RealClock clock;
    SimulatedInterface sim(clock);
    sim.write(DomeFocus, 0x00);
    std::vector<std::thread> threads;
    for (int bit = 0; bit < 4; ++bit)
        threads.emplace_back([&sim, bit] {
            auto mask = static_cast<uint8_t>(1u << bit);
            for (int i = 0; i < 5000; ++i) {
                sim.modify(DomeFocus, 0, mask);
                sim.modify(DomeFocus, mask, 0);
                sim.read(CounterData(bit));
            }
            sim.modify(DomeFocus, 0, mask);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(sim.read(DomeFocus), 0x0F);
}

TEST_F(SimTest, TruthJsonCarriesTheState) {
    runSingle(sim, 1, 4303, true, false);
    advanceSeconds(1);
    std::string json = sim.truthJson();
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.back(), '}');
    EXPECT_EQ(json.find('\n'), std::string::npos);
    for (const char* key : {"\"t_ms\":1000,", "\"counters\":[0,", "\"axis_rate_arcsec\":[0,-",
                            "\"step_hz\":[0,", "\"axis_arcsec\":[0,-", "\"dome_deg\":0,",
                            "\"focus\":1300,", "\"shutter\":\"closed\"", "\"shutter_fraction\":0}"})
        EXPECT_NE(json.find(key), std::string::npos) << key << " in " << json;
}

TEST(SimMechanicsTest, ZeroScalesFreezeTheCountersInsteadOfOverflowing) {
    ManualClock clock;
    SimMechanics m;
    m.HAScale = 0;
    m.DomeCountScale = 0;
    SimulatedInterface sim(clock, m);
    runSingle(sim, 0, 4303, true, false);
    sim.write(DomeFocus, 0xFF & ~DomeLargerBit);
    clock.advance(1000);
    EXPECT_EQ(readCounter(sim, RACounter), 0);
    EXPECT_EQ(readCounter(sim, DomeCounter), 0);
    EXPECT_GT(sim.truth().axis_arcsec[0], 900.0);  // the axis itself still moves
}

}  // namespace
}  // namespace orv
