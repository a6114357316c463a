#pragma once
// Codes 41 and 42: the KAV commands that hosts send through the state machine.
// They run on the state machine thread, wait for the instrument's exchange to
// end and set StateCode back to 0.

namespace orv {

class System;

// Code 41: KAVSetMotor(Trunc(CommandParam[1]), Trunc(CommandParam[2])).
void SetKAVMotor(System& system);
// Code 42: KAVSetPort(Trunc(CommandParam[1])).
void SetKAVPort(System& system);

}  // namespace orv
