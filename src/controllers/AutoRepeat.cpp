#include "controllers/AutoRepeat.h"

namespace orv {

void AutoRepeat::press() {
    held_ = true;
    captured_ = true;
    timer_.start(FirstRepeatMs);
    if (step_) step_();
}

void AutoRepeat::release() {
    held_ = false;
    timer_.stop();
}

void AutoRepeat::timerFired() {
    if (!held_) return;
    timer_.start(RepeatMs);
    if (captured_ && step_) step_();
}

}  // namespace orv
