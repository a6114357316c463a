#pragma once
// The command state machine: picks up the code a commander wrote into StateCode
// (or, when idle, the next command waiting at the Commander), runs its handler
// (which sets StateCode back to 0) and idles 100 ms between checks.

namespace orv {

class System;

class StateMachine {
public:
    explicit StateMachine(System& system) : system_(system) {}
    void InitStateMachine();
    void StateMachinePass();
    // Runs the handler of `code`; codes without one are reset to 0.
    void Dispatch(int code);

private:
    System& system_;
};

}  // namespace orv
