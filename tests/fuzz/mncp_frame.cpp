// An MNCP host's bytes, received byte by byte by the MNCP channel of a system
// whose tasks do not run: frame reception with its DLE handling and 258-byte
// limit, the frame checks and the command interpreter behind them. Each input
// starts a fresh channel, so a finding replays from its input alone. Findings
// besides the sanitizers': a reply that is not one framed packet of at most
// 512 bytes, and a repetition answered with another packet than the first.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "comm/MNCP.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

using orv::fuzz::Require;

namespace {

struct World {
    orv::ManualClock clock{0, true};
    orv::RecordingBus bus;
    orv::System system{clock, bus, orv::SystemOptions{".", false}};
    orv::MNCPChannel channel{system};
};

void CheckPacket(const uint8_t* p, size_t n) {
    Require(n >= 8 && n <= orv::MNCPPacketCapacity, "a reply packet of impossible length");
    Require(p[0] == orv::DLE && p[1] == orv::STX && p[n - 2] == orv::DLE && p[n - 1] == orv::ETX,
            "a reply packet without its framing");
    orv::MNCPReceiver rx;
    int frames = 0;
    for (size_t i = 0; i < n; ++i)
        if (const auto length = rx.ReceiveByte(p[i])) {
            ++frames;
            Require(orv::MNCPFrameSumOK(rx.RxBuffer.data(), size_t(*length)), "a reply packet with a bad sum");
        }
    Require(frames == 1, "a reply that is not exactly one frame");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World w;
    std::vector<uint8_t> last;
    for (size_t i = 0; i < size; ++i) {
        w.system.state.StateCode = 0;
        const int sequenceBefore = w.channel.MNCPSequence();
        std::vector<uint8_t> reply;
        w.channel.MNCPHandleByte(data[i], [&](const uint8_t* p, size_t n) {
            CheckPacket(p, n);
            reply.assign(p, p + n);
        });
        if (reply.empty()) continue;
        // A command with the sequence number of the last one is answered with the stored packet.
        if (w.channel.MNCPSequence() == sequenceBefore && !last.empty() && reply != last &&
            w.channel.MNCPSequence() != 0)
            Require(false, "a repetition answered differently");
        last = reply;
    }
    return 0;
}
