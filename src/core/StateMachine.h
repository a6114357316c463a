#pragma once
// The command state machine: runs the numbered commands written to StateCode.

namespace orv {

class System;

class StateMachine {
public:
    explicit StateMachine(System& system) : system_(system) {}
    void InitStateMachine();
    void StateMachinePass();

private:
    System& system_;
};

}  // namespace orv
