#pragma once
// An axis servo task: turns tracking rate, rate correction and offset rate into
// the step frequency of one mount axis, ramped and reversed smoothly.

namespace orv {

class System;

class AxisTask {
public:
    AxisTask(System& system, int axis) : system_(system), axis_(axis) {}
    void InitAxisTask();
    void AxisTaskPass();

private:
    System& system_;
    int axis_;  // 1 RA, 2 Dec
};

}  // namespace orv
