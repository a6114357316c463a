// The axis servo tasks on a recording bus: the timer values and mode bits each
// rate programs, the ramps with their pauses, reversals, and the demand each
// axis forms from tracking rate, rate correction and offset rate.

#include "control/AxisTask.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "control/System.h"
#include "core/Ports.h"

namespace orv {
namespace {

constexpr double StepSize = 0.10756564;

// A recording bus that also notes the clock at every write and lets a test act
// in the middle of a pass (the hook runs after each write).
class WatchedBus final : public PortBus {
public:
    struct Write {
        int64_t t;
        uint16_t port;
        uint8_t value;
    };

    explicit WatchedBus(const Clock& clock) : clock_(clock) {}

    uint8_t read(uint16_t port) override { return inner.read(port); }
    void write(uint16_t port, uint8_t value) override {
        inner.write(port, value);
        note(port, value);
    }
    uint8_t modify(uint16_t port, uint8_t clearMask, uint8_t setMask) override {
        uint8_t v = inner.modify(port, clearMask, setMask);
        note(port, v);
        return v;
    }

    void clear() {
        inner.clearLog();
        log.clear();
    }

    RecordingBus inner;
    std::vector<Write> log;
    std::function<void(uint16_t, uint8_t)> onWrite;

private:
    void note(uint16_t port, uint8_t value) {
        log.push_back({clock_.nowMs(), port, value});
        if (onWrite) onWrite(port, value);
    }
    const Clock& clock_;
};

// One programming of an axis timer, as read back from the port writes.
struct Program {
    enum Kind { Stop, Single, Cascade } kind;
    uint16_t a = 0, b = 0;   // Single: n; Cascade: f, g
    int64_t t = 0;
    bool sameSetting(const Program& o) const { return kind == o.kind && a == o.a && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Program& p) {
    switch (p.kind) {
        case Program::Stop: return os << "stop@" << p.t;
        case Program::Single: return os << "n=" << p.a << "@" << p.t;
        case Program::Cascade: return os << "f=" << p.a << ",g=" << p.b << "@" << p.t;
    }
    return os;
}

// What SetStepRate must program for `rate`.
Program expectedFor(double rate, double stepSize = StepSize) {
    if (rate == 0) return {Program::Stop};
    StepDivider d = ComputeStepDivider(rate, stepSize);
    if (d.singleChannel) return {Program::Single, d.n, 0};
    return {Program::Cascade, d.f, d.g};
}

// Decodes the timer writes of the axis whose timer starts at `base`.
std::vector<Program> programsOf(const std::vector<WatchedBus::Write>& log, uint16_t base) {
    std::vector<Program> out;
    std::vector<uint8_t> ch0, ch1;
    bool modeSeen = false;
    for (const auto& w : log) {
        if (w.port == base + 3) {
            if (w.value == ports::TimerModeChannel0) modeSeen = true;
            else if (w.value == ports::TimerModeChannel1 && modeSeen) {
                out.push_back({Program::Stop, 0, 0, w.t});
                modeSeen = false;
            }
        } else if (w.port == base + 1) {
            ch1.push_back(w.value);
        } else if (w.port == base) {
            ch0.push_back(w.value);
            if (ch0.size() == 2) {
                const auto v0 = static_cast<uint16_t>(ch0[0] | (ch0[1] << 8));
                if (ch1.size() == 2) {
                    const auto v1 = static_cast<uint16_t>(ch1[0] | (ch1[1] << 8));
                    out.push_back({Program::Cascade, v0, v1, w.t});
                } else {
                    EXPECT_TRUE(ch1.empty()) << "half a channel 1 load";
                    out.push_back({Program::Single, v0, 0, w.t});
                }
                ch0.clear();
                ch1.clear();
            }
        }
    }
    EXPECT_TRUE(ch0.empty() && ch1.empty()) << "a timer load left unfinished";
    return out;
}

// Expects the programs to be those of `rates`, in order (0 for a stop).
void expectSettings(const std::vector<Program>& seen, const std::vector<double>& rates) {
    ASSERT_EQ(seen.size(), rates.size()) << ::testing::PrintToString(seen);
    for (size_t i = 0; i < rates.size(); ++i)
        EXPECT_TRUE(seen[i].sameSetting(expectedFor(rates[i])))
            << "step " << i << ": " << seen[i] << ", wanted " << expectedFor(rates[i]) << " for " << rates[i];
}

class AxisTaskTest : public ::testing::Test {
protected:
    AxisTaskTest() : bus(clock), sys(clock, bus, SystemOptions{".", false}) {
        sys.InitSharedState();
        sys.axis1->InitAxisTask();
        sys.axis2->InitAxisTask();
        bus.clear();
    }
    AxisTask& axis1() { return *sys.axis1; }
    AxisTask& axis2() { return *sys.axis2; }
    uint8_t level(uint16_t port) { return bus.inner.lastWritten(port); }

    // Axis 1 without tracking, driven by the offset rate alone.
    void offsetOnly(double rate, bool west) {
        clearBits(sys.state.StatusFlags1, status1::TrackingSwitch);
        sys.state.HARate = rate;
        sys.state.HAMoveWest = west ? 1 : 0;
    }
    // Runs axis 1 to `rate` west and forgets the writes that took.
    void runAxis1At(double rate) {
        offsetOnly(rate, true);
        for (int i = 0; i < 5 && axis1().drive().Rate != rate; ++i) axis1().AxisTaskPass();
        ASSERT_EQ(axis1().drive().Rate, rate);
        ASSERT_EQ(axis1().drive().CurrentDir, 1);
        bus.clear();
    }

    ManualClock clock{0, true};
    WatchedBus bus;
    System sys;
};

TEST(StepDivider, ChoosesOneChannelOrACascadeAndTheStepSize) {
    // Sidereal: c = 71514.95, two channels, about 139.83 steps per second.
    StepDivider sidereal = ComputeStepDivider(15.041, StepSize);
    EXPECT_FALSE(sidereal.singleChannel);
    EXPECT_EQ(sidereal.f, 2);
    EXPECT_EQ(sidereal.g, 35758);
    EXPECT_TRUE(sidereal.fineStep);
    EXPECT_NEAR(1e7 / (sidereal.f * sidereal.g), 139.83, 0.005);

    // 1000: coarse steps, c = 4302.6, n = Round(4303.1).
    StepDivider fast = ComputeStepDivider(1000, StepSize);
    EXPECT_TRUE(fast.singleChannel);
    EXPECT_EQ(fast.n, 4303);
    EXPECT_FALSE(fast.fineStep);

    // Coarse stepping starts at exactly 90: four times the step size there.
    StepDivider at90 = ComputeStepDivider(90, StepSize);
    StepDivider below = ComputeStepDivider(89.9, StepSize);
    EXPECT_FALSE(at90.fineStep);
    EXPECT_EQ(at90.n, 47807);   // 1e7 * 4 * s / 90 = 47806.95
    EXPECT_TRUE(below.fineStep);
    EXPECT_EQ(below.n, 11966);  // 1e7 * s / 89.9 = 11965.03

    // The slowest rates are clamped to the slowest programmable frequency.
    StepDivider slow = ComputeStepDivider(1e-6, StepSize);
    EXPECT_FALSE(slow.singleChannel);
    EXPECT_EQ(slow.f, 65535);
    EXPECT_EQ(slow.g, 65535);
}

TEST_F(AxisTaskTest, SiderealTrackingProgramsTheCascadeAndFineSteps) {
    sys.state.ActiveTrackRateRA = 15.041;
    sys.state.HARateCorrection = 0;
    setBits(sys.state.StatusFlags1, status1::TrackingSwitch);
    bus.inner.setInput(ports::DividerMode, 0xFF);   // every other bit must survive
    bus.inner.setInput(ports::DriveControl, 0x00);

    axis1().AxisTaskPass();

    EXPECT_EQ(axis1().drive().Rate, 15.041);
    // g (35758 = 0x8BAE) to channel 1, then f to channel 0, low byte first.
    std::vector<std::pair<uint16_t, uint8_t>> timerLoads;
    for (const auto& w : bus.log)
        if (w.port == ports::RATimerBase || w.port == ports::RATimerBase + 1) timerLoads.emplace_back(w.port, w.value);
    const std::vector<std::pair<uint16_t, uint8_t>> expected{
        {0x9281, 0xAE}, {0x9281, 0x8B}, {0x9280, 0x02}, {0x9280, 0x00}};
    EXPECT_EQ(timerLoads, expected);
    EXPECT_EQ(level(ports::DividerMode), 0xFE);                              // bit 0 cleared alone
    EXPECT_EQ(level(ports::DriveControl), ports::RAFineStepBit | ports::RADirectionBit);
}

TEST_F(AxisTaskTest, ThousandUsesOneChannelWithTheModeBitAndCoarseSteps) {
    bus.inner.setInput(ports::DriveControl, 0xFF);
    offsetOnly(1000, true);
    axis1().AxisTaskPass();

    const auto programs = programsOf(bus.log, ports::RATimerBase);
    ASSERT_FALSE(programs.empty());
    EXPECT_TRUE(programs.back().sameSetting({Program::Single, 4303, 0})) << programs.back();
    for (const auto& w : bus.log) {
        EXPECT_NE(w.port, ports::RATimerBase + 1) << "channel 1 touched";
    }
    EXPECT_EQ(level(ports::DividerMode) & ports::RADividerBit, ports::RADividerBit);
    EXPECT_EQ(level(ports::DriveControl) & ports::RAFineStepBit, 0);
    // Axis 2's bits on the shared ports are left as they were.
    EXPECT_EQ(level(ports::DriveControl) & (ports::DecDirectionBit | ports::DecFineStepBit),
              ports::DecDirectionBit | ports::DecFineStepBit);
}

TEST_F(AxisTaskTest, NinetyIsCoarseAndEightyNineNineIsFine) {
    bus.inner.setInput(ports::DriveControl, 0x00);
    offsetOnly(90, true);
    axis1().AxisTaskPass();
    EXPECT_EQ(level(ports::DriveControl) & ports::RAFineStepBit, 0);
    EXPECT_TRUE(programsOf(bus.log, ports::RATimerBase).back().sameSetting({Program::Single, 47807, 0}));

    bus.clear();
    sys.state.HARate = 89.9;
    axis1().AxisTaskPass();
    EXPECT_EQ(level(ports::DriveControl) & ports::RAFineStepBit, ports::RAFineStepBit);
    EXPECT_TRUE(programsOf(bus.log, ports::RATimerBase).back().sameSetting({Program::Single, 11966, 0}));
}

TEST_F(AxisTaskTest, RampFromRestTakesStepsOfOneHundredEveryTwentyMs) {
    offsetOnly(1000, true);
    axis1().AxisTaskPass();
    const auto programs = programsOf(bus.log, ports::RATimerBase);
    // The first pass sets the direction from scratch (a stop), then ramps.
    ASSERT_EQ(programs.size(), 11u) << ::testing::PrintToString(programs);
    EXPECT_EQ(programs[0].kind, Program::Stop);
    std::vector<Program> ramp(programs.begin() + 1, programs.end());
    expectSettings(ramp, {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000});
    for (size_t i = 1; i < ramp.size(); ++i) EXPECT_EQ(ramp[i].t - ramp[i - 1].t, 20) << i;
}

TEST_F(AxisTaskTest, SignChangeRampsToZeroThenFlipsThenRampsUp) {
    runAxis1At(500);
    const int64_t t0 = clock.nowMs();
    sys.state.HAMoveWest = 0;   // the same speed, east
    axis1().AxisTaskPass();

    const auto programs = programsOf(bus.log, ports::RATimerBase);
    expectSettings(programs, {400, 300, 200, 100, 0, 100, 200, 300, 400, 500});
    for (size_t i = 0; i < programs.size(); ++i) EXPECT_EQ(programs[i].t, t0 + 20 * int64_t(i)) << i;

    // The direction bit changes once, after the stop and before the first step up.
    size_t stopAt = 0, flipAt = 0, firstUpAt = 0;
    uint8_t dir = ports::RADirectionBit;
    int flips = 0;
    int stopsSeen = 0;
    for (size_t i = 0; i < bus.log.size(); ++i) {
        const auto& w = bus.log[i];
        if (w.port == ports::RATimerBase + 3 && w.value == ports::TimerModeChannel1 && stopsSeen++ == 0) stopAt = i;
        if (w.port == ports::DriveControl && (w.value & ports::RADirectionBit) != dir) {
            dir = w.value & ports::RADirectionBit;
            flipAt = i;
            ++flips;
        }
        if (w.port == ports::RATimerBase && flips == 1 && firstUpAt == 0) firstUpAt = i;
    }
    EXPECT_EQ(flips, 1);
    EXPECT_EQ(dir, 0);   // east: bit 0 clear
    EXPECT_LT(stopAt, flipAt);
    EXPECT_LT(flipAt, firstUpAt);
    EXPECT_EQ(axis1().drive().CurrentDir, 0);
    EXPECT_EQ(axis1().drive().Rate, 500);
}

TEST_F(AxisTaskTest, SignChangeAndBackBeforeZeroKeepsTheDirection) {
    runAxis1At(500);
    // Turn the demand east, and back west once the ramp down has reached 200.
    int channel0Writes = 0;
    bus.onWrite = [&](uint16_t port, uint8_t) {
        if (port == ports::RATimerBase && ++channel0Writes == 6) sys.state.HAMoveWest = 1;
    };
    sys.state.HAMoveWest = 0;
    axis1().AxisTaskPass();
    bus.onWrite = nullptr;

    expectSettings(programsOf(bus.log, ports::RATimerBase), {400, 300, 200, 300, 400, 500});
    // The direction output stays west all along: at its level now and in every
    // write of this pass, if there was any.
    ASSERT_EQ(bus.inner.lastWritten(ports::DriveControl) & ports::RADirectionBit, ports::RADirectionBit);
    for (const auto& w : bus.log) {
        if (w.port == ports::DriveControl) {
            EXPECT_EQ(w.value & ports::RADirectionBit, ports::RADirectionBit);
        }
    }
    EXPECT_EQ(axis1().drive().CurrentDir, 1);
    EXPECT_EQ(axis1().drive().Rate, 500);
}

TEST_F(AxisTaskTest, ChangeWithinOneAndAQuarterStepsIsAppliedAtOnce) {
    runAxis1At(500);
    int64_t t0 = clock.nowMs();
    sys.state.HARate = 625;   // exactly 1.25 steps away
    axis1().AxisTaskPass();
    expectSettings(programsOf(bus.log, ports::RATimerBase), {625});
    EXPECT_EQ(clock.nowMs() - t0, 50);   // the pass's own pause, no ramp pauses

    bus.clear();
    sys.state.HARate = 500;
    axis1().AxisTaskPass();
    expectSettings(programsOf(bus.log, ports::RATimerBase), {500});

    // Just beyond: one step, then the rest at once.
    bus.clear();
    t0 = clock.nowMs();
    sys.state.HARate = 626;
    axis1().AxisTaskPass();
    expectSettings(programsOf(bus.log, ports::RATimerBase), {600, 626});
    EXPECT_EQ(clock.nowMs() - t0, 20 + 50);
}

TEST_F(AxisTaskTest, RampDownToASlowRateReinitialisesTheTimerFirst) {
    runAxis1At(500);
    sys.state.HARate = 50;
    axis1().AxisTaskPass();
    // Within 1.25 steps of 50 the rest is taken at once, after the channels are reset.
    expectSettings(programsOf(bus.log, ports::RATimerBase), {400, 300, 200, 100, 0, 50});
    EXPECT_EQ(axis1().drive().Rate, 50);
    EXPECT_EQ(axis1().drive().CurrentDir, 1);
}

TEST_F(AxisTaskTest, ZeroDemandRampsDownAndEndsWithTheTimerStopped) {
    runAxis1At(500);
    sys.state.HARate = 0;
    axis1().AxisTaskPass();
    // A zero demand counts as the other direction, so this is a reversal at rest.
    expectSettings(programsOf(bus.log, ports::RATimerBase), {400, 300, 200, 100, 0});
    EXPECT_EQ(axis1().drive().Rate, 0);
    bus.clear();
    axis1().AxisTaskPass();
    EXPECT_TRUE(programsOf(bus.log, ports::RATimerBase).empty());
}

TEST_F(AxisTaskTest, TrackingSwitchGatesOnlyTheHourAngleAxis) {
    auto& s = sys.state;
    s.ActiveTrackRateRA = 15.041;
    s.ActiveTrackRateDec = 7.5;
    s.HARateCorrection = 0.00123456;   // truncated to 0.0012
    s.DecRateCorrection = -0.56789;    // truncated towards zero to -0.5678
    ASSERT_TRUE(testBits(s.StatusFlags2, status2::RateCorrection));

    clearBits(s.StatusFlags1, status1::TrackingSwitch);
    axis1().ComputeDemand();
    axis2().ComputeDemand();
    EXPECT_EQ(axis1().drive().BaseRate, 0);
    EXPECT_EQ(axis1().drive().Demand, 0);
    EXPECT_NEAR(axis2().drive().RateCorrection, -0.5678, 1e-12);
    EXPECT_NEAR(axis2().drive().BaseRate, 7.5 - 0.5678, 1e-12);
    EXPECT_NEAR(axis2().drive().Demand, 7.5 - 0.5678, 1e-12);

    setBits(s.StatusFlags1, status1::TrackingSwitch);
    axis1().ComputeDemand();
    EXPECT_NEAR(axis1().drive().BaseRate, 15.041 + 0.0012, 1e-12);

    // Rate correction off: the tracking rates alone.
    clearBits(s.StatusFlags2, status2::RateCorrection);
    axis1().ComputeDemand();
    axis2().ComputeDemand();
    EXPECT_EQ(axis1().drive().BaseRate, 15.041);
    EXPECT_EQ(axis2().drive().BaseRate, 7.5);

    // An offset larger than the base rate against it turns the demanded direction.
    s.DecRate = 10;
    s.DecMoveNorth = 0;
    axis2().ComputeDemand();
    EXPECT_EQ(axis2().drive().DemandDir, 0);
    EXPECT_NEAR(axis2().drive().Demand, 2.5, 1e-12);
    s.DecMoveNorth = 1;
    axis2().ComputeDemand();
    EXPECT_EQ(axis2().drive().DemandDir, 1);
    EXPECT_NEAR(axis2().drive().Demand, 17.5, 1e-12);
}

TEST_F(AxisTaskTest, DeclinationDirectionBitSenseDependsOnThePierSide) {
    auto& s = sys.state;
    s.ActiveTrackRateDec = 0;
    s.DecRateCorrection = 0;
    s.DecRate = 50;

    // West side: north clears the Dec bit; axis 1's bits stay as they are.
    bus.inner.setInput(ports::DriveControl, 0xFF);
    s.EastSideOperation = 0;
    s.DecMoveNorth = 1;
    axis2().AxisTaskPass();
    EXPECT_EQ(axis2().drive().CurrentDir, 1);
    EXPECT_EQ(level(ports::DriveControl), 0xFF & ~ports::DecDirectionBit);
    EXPECT_EQ(axis2().drive().Rate, 50);

    s.DecMoveNorth = 0;   // south sets it
    axis2().AxisTaskPass();
    EXPECT_EQ(axis2().drive().CurrentDir, 0);
    EXPECT_EQ(level(ports::DriveControl) & ports::DecDirectionBit, ports::DecDirectionBit);
    EXPECT_EQ(axis2().drive().Rate, 50);
}

TEST_F(AxisTaskTest, EastSideNorthSetsTheDecBit) {
    bus.inner.setInput(ports::DriveControl, 0x00);
    sys.state.EastSideOperation = 1;
    sys.state.DecRate = 50;
    sys.state.DecMoveNorth = 1;
    axis2().AxisTaskPass();
    EXPECT_EQ(level(ports::DriveControl), ports::DecDirectionBit | ports::DecFineStepBit);
    EXPECT_EQ(level(ports::DividerMode) & ports::DecDividerBit, ports::DecDividerBit);
    // A second pass with nothing changed writes no timer at all.
    bus.clear();
    axis2().AxisTaskPass();
    EXPECT_TRUE(programsOf(bus.log, ports::DecTimerBase).empty());
}

}  // namespace
}  // namespace orv
