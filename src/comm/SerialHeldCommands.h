#pragma once
// The commands a serial channel has read while the state machine was still busy
// with an earlier one. Each waits, in order, until StateCode is 0 and is then
// written through the Commander; one that has waited 2 s is dropped, and the
// channel's own stop drops them all. The channel's poll thread offers them to
// the state machine between the bytes it reads.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>


namespace orv {

class System;
class TCommPort;

class SerialHeldCommands {
public:
    static constexpr size_t MaxHeld = 16;
    static constexpr int64_t ExpiryMs = 2000;
    // How often a waiting channel looks at StateCode, ms of real time.
    static constexpr int PollMs = 10;

    // `channel` names the channel in the status log ("ExCom", "MNCP").
    SerialHeldCommands(System& system, std::string channel);

    // Writes the command now when nothing waits and the state machine is idle,
    // else queues it (a full queue drops it, with a status-log line).
    void submit(int code, std::vector<double> params);
    // StopRequest and code 13 at once; what was waiting is dropped.
    void stop();
    // Writes waiting commands while StateCode is 0; drops those that waited too long.
    void pump();
    // Before a read: offers the waiting commands to the state machine until a
    // byte waits on `port` (returns at once when nothing waits).
    void pumpUntilInput(TCommPort& port);
    bool pending() const { return !held_.empty(); }
    void clear() { held_.clear(); }

private:
    struct Held {
        int code;
        std::vector<double> params;
        int64_t sinceMs;
    };

    System& system_;
    std::string channel_;
    std::deque<Held> held_;
};

}  // namespace orv
