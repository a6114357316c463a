#pragma once
// The simulator's control channel: a line protocol on a loopback TCP port that
// lets a test, a script or an operator at a shell set the input lines and the
// analogue channels, look at the outputs, and read the machine's true state.
//
//   in <port> <byte>        set an input port level (0x288, 0x688, 0xA88)  -> ok
//   out <port>              the byte last written to a port                -> 0xNN
//   adc <channel> <value>   hold an analogue channel, 0..7, at 0..4095     -> ok
//   truth                   the true state as one line of JSON
//   errors                  the mount's mechanical errors: "P1=... P9=... scatter=... seed=..."
//   errors <word>...        sets the errors named (P1=120 P3=30 scatter=2 ...)      -> ok
//   nudge <ha> <dec>        turns the axes by hand, arcseconds west and north       -> ok
//   kav                     the simulated KAV: ADUs, mirror, port, mode
//   kav normal|silent|garbage   answers normally, not at all, or garbled  -> ok
//   kav slow <ms>           every KAV reply comes <ms> late               -> ok
//
// Numbers are decimal or hexadecimal with 0x. Every line gets exactly one reply
// line; a bad line gets "error <reason>" and changes nothing.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "sim/SimulatedInterface.h"
#include "sim/SimulatedKAV.h"

namespace orv {

// Executes one command line (without its line end) and returns the reply line
// (without its line end).
// `kav` is the simulated KAV, if there is one.
std::string ExecuteSimCommand(SimulatedInterface& sim, std::string_view line, SimulatedKAV* kav = nullptr);

class SimControlServer {
public:
    static constexpr size_t MaxLineLength = 1024;     // longer lines are refused
    static constexpr size_t MaxPendingOutput = 65536; // per client: stop reading until drained
    static constexpr int MaxClients = 16;

    // Listens on 127.0.0.1:`port` (0 picks a free port) and serves on its own
    // thread. Throws std::system_error when the port cannot be opened.
    SimControlServer(SimulatedInterface& sim, uint16_t port);
    // Stops the thread (within milliseconds) and closes every connection.
    ~SimControlServer();
    SimControlServer(const SimControlServer&) = delete;
    SimControlServer& operator=(const SimControlServer&) = delete;

    uint16_t port() const { return port_; }
    // The simulated KAV the "kav" commands reach; it must outlive the server.
    void setKAV(SimulatedKAV* kav) { kav_ = kav; }

private:
    void run();

    SimulatedInterface& sim_;
    std::atomic<SimulatedKAV*> kav_{nullptr};
    int listenFd_ = -1;
    int wakeRead_ = -1, wakeWrite_ = -1;  // self-pipe: the destructor wakes poll()
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace orv
