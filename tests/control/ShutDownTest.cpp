#include "control/ShutDown.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <vector>

#include "control/StateMachine.h"
#include "control/System.h"
#include "control/WorldClock.h"

namespace orv {
namespace {

using testing::WorldClock;

struct Event {
    int64_t t;
    std::string what;
    bool operator==(const Event&) const = default;
};
void PrintTo(const Event& e, std::ostream* os) { *os << e.t << " " << e.what; }

class RecordingDisplay : public ShutDownDisplay {
public:
    RecordingDisplay(System& sys, Clock& clock) : sys_(sys), clock_(clock) {}
    void open(int maximum) override { add("open " + std::to_string(maximum)); }
    void setAction(const std::string& text) override {
        add(text + " code " + std::to_string(sys_.state.StateCode.load()));
    }
    void setProgress(int position) override {
        if (position == throwAt) throw std::runtime_error("paint failed");
        add("bar " + std::to_string(position));
    }
    void close() override { add("close"); }

    std::vector<Event> events;
    int throwAt = -1;

private:
    void add(std::string what) { events.push_back({clock_.nowMs(), std::move(what)}); }
    System& sys_;
    Clock& clock_;
};

// The state machine as the sequence sees it: it takes a pending code at the end
// of every wait and runs its handler, unless a shutter close holds it until
// `busyUntil`, at whose end the close's handler sets StateCode to 0.
struct StateMachineModel {
    StateMachineModel(System& sys, WorldClock& clock) : sys_(sys), clock_(clock) {
        clock.onAdvance = [this](int64_t) { pass(); };
    }
    void runShutterCloseUntil(int64_t endMs) {
        busyUntil = endMs;
        sys_.state.ShutterCloseEndMs = endMs;
    }
    void pass() {
        auto& s = sys_.state;
        if (busyUntil > 0) {
            if (clock_.nowMs() < busyUntil) return;
            busyUntil = 0;
            s.ShutterCloseEndMs = 0;
            s.StateCode = 0;
        }
        const int code = sys_.commander.take();   // the pickup through the door
        if (code == 0) return;
        RecordTaken(s.LastTaken, code);
        sys_.stateMachine->Dispatch(code);
    }
    int64_t busyUntil = 0;

private:
    System& sys_;
    WorldClock& clock_;
};

class ShutDownSequence : public ::testing::Test {
protected:
    ShutDownSequence() : sys(clock, bus, SystemOptions{".", false}), machine(sys, clock), display(sys, clock) {
        sys.state.DomeOn = 1;
        sys.state.TrackRateRA = 15.041;
        sys.state.AuxTrackRateDec = 3;
    }
    void expectStoppedAndTrackingOff() {
        EXPECT_EQ(sys.state.DomeOn, 0);
        EXPECT_EQ(sys.state.StopRequest, 1);
        EXPECT_EQ(sys.state.StateCode, 0);
        EXPECT_EQ(TakenCode(sys.state.LastTaken), 14);
        EXPECT_EQ(sys.state.TrackRateRA, 0);
        EXPECT_EQ(sys.state.AuxTrackRateDec, 0);
    }

    WorldClock clock;
    RecordingBus bus;
    System sys;
    StateMachineModel machine;
    RecordingDisplay display;
};

TEST_F(ShutDownSequence, TwoActionsAndSixStepsInFiveAndAHalfSeconds) {
    ShutDownTelescope(sys, display);
    const std::vector<Event> expected{
        {0, "open 6"},
        {0, "Dome Off and Cancel All Motion code 0"},
        {0, "bar 1"},    {1000, "bar 2"}, {2000, "bar 3"}, {3000, "bar 4"}, {4000, "bar 5"},
        {5000, "Turn Off Tracking code 0"},
        {5000, "bar 6"},
        {5500, "close"},
    };
    EXPECT_EQ(display.events, expected);
    expectStoppedAndTrackingOff();
}

TEST_F(ShutDownSequence, WaitsForARunningShutterCloseAndIssuesTheStopAgain) {
    // A close started 10 s before the program was closed: 70 s of it are left.
    machine.runShutterCloseUntil(70000);
    ShutDownTelescope(sys, display);

    std::vector<Event> expected{{0, "open 6"}, {0, "Dome Off and Cancel All Motion code 0"}};
    for (int64_t t = 0; t <= 4000; t += 1000) expected.push_back({t, "bar " + std::to_string(t / 1000 + 1)});
    // The stop written at 0 waits behind the close, whose end wipes it out.
    for (int64_t left = 65; left >= 1; --left)
        expected.push_back({70000 - left * 1000, "Closing shutter: " + std::to_string(left) + " s left code 13"});
    // The door writes the wiped-out stop again as the close ends, and the state
    // machine takes it at once.
    expected.push_back({70000, "Turn Off Tracking code 0"});
    expected.push_back({70000, "bar 6"});
    expected.push_back({70500, "close"});
    EXPECT_EQ(display.events, expected);
    expectStoppedAndTrackingOff();
}

TEST_F(ShutDownSequence, AStateMachineThatNeverTakesACodeDelaysTheEndOnlyBoundedly) {
    machine.runShutterCloseUntil(1'000'000'000);   // held by something that never ends
    sys.state.ShutterCloseEndMs = 0;               // ... and is not a shutter close
    ShutDownTelescope(sys, display);
    ASSERT_FALSE(display.events.empty());
    EXPECT_EQ(display.events.back().what, "close");
    EXPECT_LE(display.events.back().t, 40000) << "two codes, three waits of 5 s each, at most";
}

TEST(ShutDownTelescope, AFailedStepStillClosesTheWindow) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    RecordingDisplay display(sys, clock);
    display.throwAt = 3;
    EXPECT_THROW(ShutDownTelescope(sys, display), std::runtime_error);
    ASSERT_FALSE(display.events.empty());
    EXPECT_EQ(display.events.back().what, "close");
}

TEST(ShutDownTelescope, HeadlessPrintsTheSequence) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    std::ostringstream out;
    StreamShutDownDisplay display(out);
    ShutDownTelescope(sys, display);
    const std::string text = out.str();
    EXPECT_NE(text.find("Telescope Is Shutting Down Please Wait"), std::string::npos);
    EXPECT_NE(text.find("Action: Dome Off and Cancel All Motion"), std::string::npos);
    EXPECT_NE(text.find("Action: Turn Off Tracking"), std::string::npos);
    EXPECT_NE(text.find("Progress: 6/6"), std::string::npos);
}

}  // namespace
}  // namespace orv
