#pragma once
// The time and coordinate task: clocks, date and the telescope's place, ten times a second.

namespace orv {

class System;

class TimeTask {
public:
    explicit TimeTask(System& system) : system_(system) {}
    void InitTimeTask();
    void TimeTaskPass();

private:
    System& system_;
};

}  // namespace orv
