#pragma once
// The input monitor: interlock, front panel, cloud sensor, limits and hand paddle, every 50 ms.

namespace orv {

class System;

class InputMonitor {
public:
    explicit InputMonitor(System& system) : system_(system) {}
    void InitInputMonitor();
    void InputMonitorPass();

private:
    System& system_;
};

}  // namespace orv
