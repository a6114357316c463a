#include "control/ShutDown.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <vector>

#include "control/System.h"

namespace orv {
namespace {

struct Event {
    int64_t t;
    std::string what;
    bool operator==(const Event&) const = default;
};

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

TEST(ShutDownTelescope, TwoActionsAndSixStepsInFiveAndAHalfSeconds) {
    ManualClock clock(0, true);
    RecordingBus bus;
    System sys(clock, bus, SystemOptions{".", false});
    sys.state.DomeOn = 1;
    for (int i = 1; i <= 4; ++i) sys.state.CommandParam[i] = 9;

    RecordingDisplay display(sys, clock);
    ShutDownTelescope(sys, display);

    const std::vector<Event> expected{
        {0, "open 6"},
        {0, "Dome Off and Cancel All Motion code 0"},
        {0, "bar 1"},    {1000, "bar 2"}, {2000, "bar 3"}, {3000, "bar 4"}, {4000, "bar 5"},
        {5000, "Turn Off Tracking code 13"},
        {5000, "bar 6"},
        {5500, "close"},
    };
    EXPECT_EQ(display.events, expected);
    EXPECT_EQ(sys.state.DomeOn, 0);
    EXPECT_EQ(sys.state.StopRequest, 1);
    EXPECT_EQ(sys.state.StateCode, 14);
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(sys.state.CommandParam[i], 0);
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
