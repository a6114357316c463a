#pragma once
// `TAutoButton`'s repeat: a press steps once at once, then again 400 ms after
// the press and every 100 ms after that while the button stays held with the
// pointer on it; the release ends it. The timer is handed in, so the widget
// uses the toolkit's timer and the tests a fake one.

#include <functional>

namespace orv {

// A single-shot timer: start(ms) (re)arms it; when it runs out, its owner
// calls AutoRepeat::timerFired().
class RepeatTimer {
public:
    virtual ~RepeatTimer() = default;
    virtual void start(int milliseconds) = 0;
    virtual void stop() = 0;
};

class AutoRepeat {
public:
    static constexpr int FirstRepeatMs = 400;
    static constexpr int RepeatMs = 100;

    AutoRepeat(RepeatTimer& timer, std::function<void()> step) : timer_(timer), step_(std::move(step)) {}

    void press();
    void release();
    // Whether the pointer is still on the held button; off it, the repeat pauses.
    void setCaptured(bool captured) { captured_ = captured; }
    void timerFired();
    bool held() const { return held_; }

private:
    RepeatTimer& timer_;
    std::function<void()> step_;
    bool held_ = false;
    bool captured_ = false;
};

}  // namespace orv
