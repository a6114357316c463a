#pragma once
// The commands a serial channel has read while the state machine was still busy
// with an earlier one: the channel's own holder at the Commander. Each waits, in
// order, until StateCode is 0 and is then written; one that has waited 2 s is
// dropped, and every stop, from any source, drops them all. The channel's poll
// thread offers them to the state machine between the bytes it reads (the state
// machine also takes them on its own idle passes).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Commander.h"

namespace orv {

class System;
class TCommPort;

class SerialHeldCommands {
public:
    static constexpr int64_t ExpiryMs = Commander::HeldLifeMs;
    // How often a waiting channel looks at StateCode, ms of real time.
    static constexpr int PollMs = 10;

    // `channel` names the channel in the status log ("ExCom", "MNCP").
    SerialHeldCommands(System& system, std::string channel);

    // Writes the command now when nothing waits and the state machine is idle,
    // else queues it (a full queue drops it, with a status-log line). Code 13 is
    // the Commander's stop.
    void submit(int code, std::vector<double> params);
    // StopRequest and code 13 at once; what was waiting, on every channel, is dropped.
    void stop();
    // Writes the next waiting command if StateCode is 0; drops those that waited too long.
    void pump();
    // Before a read: offers the waiting commands to the state machine until a
    // byte waits on `port` (returns at once when nothing waits).
    void pumpUntilInput(TCommPort& port);
    bool pending() const { return door_.held() > 0; }
    void clear() { door_.discard(); }

private:
    System& system_;
    Commander::Channel door_;
};

}  // namespace orv
