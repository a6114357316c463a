// A TCP/IP client's bytes, cut into packets and executed by the command channel
// of a whole Orv on the simulated telescope, its tasks running (time-scaled).
// Each input starts a fresh system, so a finding replays from its input alone.
// Findings besides the sanitizers': a reply that is not one "#...;" packet,
// and a command that keeps running after a stop.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "FuzzSupport.h"
#include "comm/TCPPacket.h"
#include "core/Clock.h"
#include "control/System.h"
#include "sim/SimulatedInterface.h"

using orv::fuzz::Require;

namespace {

constexpr double TimeScale = 500.0;
// Real time a command may run before the harness stops it, and the time a stop
// may take to bring the state machine back to idle, ms.
constexpr int CommandBudgetMs = 15;
constexpr int StopDeadlineMs = 5000;

bool WaitUntil(const auto& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return done();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

struct World {
    orv::RealClock clock{TimeScale};
    orv::SimulatedInterface sim{clock};
    orv::System system{clock, sim, orv::SystemOptions{".", false}};
    orv::TCPCommandChannel channel{system};

    World() { system.StartSystem(); }
    ~World() { system.StopSystem(); }

    bool idle() { return channel.IssueHeldCommands() == 0 && system.state.StateCode.load() == 0; }

    // A stop from the host: whatever runs must end and nothing held may follow.
    void stop() {
        channel.ExecuteTCPPacket("#13;");
        Require(WaitUntil([&] { return idle(); }, StopDeadlineMs), "the state machine is still busy after a stop");
    }

    // Lets the command just written run; one that takes longer than the budget
    // (a slew, the shutter) is stopped.
    void settle() {
        if (!WaitUntil([&] { return idle(); }, CommandBudgetMs)) stop();
    }
};

void CheckReply(const std::string& reply) {
    if (reply == orv::KAVNoAnswerText()) return;
    Require(reply.size() >= 2 && reply.front() == '#' && reply.back() == ';', "a reply is not one packet");
    Require(reply.find_first_of("#;", 1) == reply.size() - 1, "a reply holds more than one packet");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World w;
    Require(WaitUntil([&] { return w.idle(); }, StopDeadlineMs), "the first set-date command did not end");
    orv::TCPInput input;
    // The bytes arrive in two reads, split where the first byte says, so that
    // packets cut across reads are tried too.
    const size_t split = size > 0 ? data[0] % (size + 1) : 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string_view part : {text.substr(0, split), text.substr(split)}) {
        input.TCPReceive(part, [&](const std::string& packet) {
            if (const auto reply = w.channel.ExecuteTCPPacket(packet).reply) CheckReply(*reply);
            w.settle();
            return true;
        });
    }
    w.stop();
    return 0;
}
