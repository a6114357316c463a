#pragma once
// The one door to the command state machine. Every commander issues its commands
// here: the remote channels (TCP/IP, ExCom, MNCP), the windows, the time-setup
// timer and the input monitor. Besides this class only the state machine and its
// handlers write StateCode.
//
// The policy:
// - A command is written parameters first (CommandParam[0] = its code, then its
//   arguments from CommandParam[1]), StateCode last, and only while StateCode is
//   0. Only stop() writes over a busy state machine.
// - A command that meets a busy state machine is held, in order, for the channel
//   that sent it. The state machine asks for the next one at the start of every
//   idle pass (take()). A held command not written within HeldLifeMs of system
//   time is dropped with a status-log line naming its code, so a command sent
//   during an 80 s shutter move does not fire a minute later.
// - Every stop, from any source, discards every command held before it: a held
//   command carries the StopGeneration it was made in and is dropped once the
//   generation has moved. stop() moves it; so do the interlock and a code 13
//   that reached StateCode around this door. A stop written over by a running
//   handler is written again once the state machine is idle.
// - A safety command (the automatic cloud close) discards what is held, waits
//   while the drive interlock is open, and is written on every idle pass until
//   the state machine has taken it; no held command goes ahead of it.
//
// Use:
//   Commander::Channel tcp(system.commander, "TCP/IP");  // one per channel, kept for its life
//   tcp.issue(6, {10.5, -20.25, 2000});                  // written now, or held in order
//   system.commander.issue(22, {2000});                  // a one-off, e.g. from a window
//   system.commander.stop();                             // Stop buttons, code 13 of every channel
// Every member may be called from any thread.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class Clock;
class StatusLog;
struct TelescopeState;

class Commander {
public:
    static constexpr int64_t HeldLifeMs = 2000;       // system time a held command may wait
    static constexpr size_t MaxHeldPerChannel = 64;   // beyond this a channel's commands are refused
    static constexpr int StopCode = 13;

    using Params = std::vector<double>;   // CommandParam[1], [2], ...
    using Pump = std::function<void()>;   // e.g. lets a window's event loop run while waiting

    enum class Outcome { Written, Held, Refused };

    // The commands of one commander, held in order behind a busy state machine.
    // Must not outlive its Commander; what it still holds is dropped with it.
    class Channel {
    public:
        Channel(Commander& commander, std::string name);
        ~Channel();
        Channel(const Channel&) = delete;
        Channel& operator=(const Channel&) = delete;

        // Written at once when the state machine is idle and nothing waits
        // before it; else held (Refused: MaxHeldPerChannel already held).
        // Code 13 is stop().
        Outcome issue(int code, const Params& params = {});
        size_t held() const;
        // Drops what this channel holds (the channel is switched off).
        void discard();
        const std::string& name() const { return name_; }

    private:
        Commander& commander_;
        const int id_;
        const std::string name_;
    };

    Commander(TelescopeState& state, Clock& clock, StatusLog& log, const std::atomic<bool>& terminating);
    Commander(const Commander&) = delete;
    Commander& operator=(const Commander&) = delete;

    // A command of the operator's windows and other one-off commanders, on the
    // commander's own channel "Orv".
    Outcome issue(int code, const Params& params = {});
    // Written only if the state machine is idle and nothing waits; never held.
    // For inputs that repeat while they last (the front-panel slew button).
    bool offer(int code, const Params& params = {});
    // StopRequest, a new stop generation (everything held is dropped), then code 13
    // at once, whatever the state machine is doing.
    void stop();

    // Posts the safety command (only one at a time: a new one replaces it).
    void postSafety(int code, const Params& params = {});
    // Takes a posted safety command back if the state machine has not taken it.
    void withdrawSafety();
    // True from postSafety until the state machine takes the command.
    bool safetyPending() const;
    // Called by a handler that could not act on the safety command it was given
    // (a drive refused): it is posted again. Does nothing for any other command.
    void putBackSafety();

    // The state machine's pickup, once at the start of every pass: the code in
    // StateCode, or, when that is 0, the next waiting command written now (a
    // stop written over, the safety command, then the oldest held command); 0
    // when there is nothing to run.
    int take();
    // Writes the next waiting command if the state machine is idle.
    void service();

    // Waits until StateCode is 0; false if `timeoutMs` of system time passed first
    // or the system is stopping. `pump` runs between checks.
    bool waitUntilIdle(int64_t timeoutMs, const Pump& pump = {});
    // Issues the commands one after another, each once the previous one was taken.
    bool issueInOrder(const std::vector<std::pair<int, Params>>& commands, int64_t timeoutMs,
                      const Pump& pump = {});

    size_t heldCount() const;
    // Whether a command `code` is held, on any channel, and may still be written.
    bool holds(int code);

private:
    struct Held {
        int channel;
        int code;
        Params params;
        uint32_t generation;   // StopGeneration when it was made
        int64_t madeMs;
    };
    enum class Written { None, Held, Stop, Safety };

    Outcome issueOn(int channel, const std::string& name, int code, const Params& params);
    size_t heldOn(int channel) const;
    static size_t heldOn(int channel, const std::deque<Held>& held);
    void discardOn(int channel);
    // Under mutex_:
    void write(int code, const Params& params, Written what);
    bool idle() const;
    bool writeNext();
    void dropStale();
    std::string nameOf(int channel) const;

    TelescopeState& state_;
    Clock& clock_;
    StatusLog& log_;
    const std::atomic<bool>& terminating_;

    mutable std::mutex mutex_;
    std::deque<Held> held_;
    std::vector<std::pair<int, std::string>> names_;   // channel id -> name, for the log
    int nextChannel_ = 1;                              // 0 is the commander's own channel
    bool safetyPosted_ = false;
    int safetyCode_ = 0;
    Params safetyParams_;
    bool safetyRunning_ = false;   // the state machine runs the safety command now
    bool stopOwed_ = false;        // a stop was written over before the state machine saw it
    Written written_ = Written::None;   // what this door wrote last, until the state machine takes it
};

}  // namespace orv
