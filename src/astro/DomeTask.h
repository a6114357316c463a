#pragma once
// The dome task: turns the dome towards the line of sight, about every two seconds.

namespace orv {

class System;

class DomeTask {
public:
    explicit DomeTask(System& system) : system_(system) {}
    void InitDomeTask();
    void DomeTaskPass();

private:
    System& system_;
};

}  // namespace orv
