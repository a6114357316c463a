#include "core/StateMachine.h"

#include "core/System.h"

namespace orv {

void StateMachine::InitStateMachine() {}

void StateMachine::StateMachinePass() { system_.sleep(100); }

}  // namespace orv
