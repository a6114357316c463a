// An ExCom host's bytes, read and executed command by command by the ExCom
// channel of a system whose tasks do not run (StateCode stays as written and
// is cleared before each command). Each input starts a fresh system, so a
// finding replays from its input alone. Findings besides the sanitizers': a
// reply longer than the full block, a command that reads past the input.

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "comm/ExCom.h"
#include "control/System.h"
#include "core/Clock.h"
#include "core/PortBus.h"

using orv::fuzz::Require;

namespace {

// The longest reply: the fourteen values of the full block, each at most 25 characters and a CR.
constexpr size_t LongestReply = 14 * 26;

struct EndOfInput {};

struct World {
    orv::ManualClock clock{0, true};
    orv::RecordingBus bus;
    orv::System system{clock, bus, orv::SystemOptions{".", false}};
    orv::ExComChannel channel{system};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    World w;
    size_t pos = 0;
    const orv::ByteSource next = [&]() -> uint8_t {
        if (pos >= size) throw EndOfInput{};
        return data[pos++];
    };
    try {
        while (pos < size) {
            w.system.state.StateCode = 0;
            try {
                w.channel.ExecuteExComCommand(next, [](const std::string& reply) {
                    Require(reply.size() <= LongestReply, "a reply longer than the full block");
                });
            } catch (const orv::ExComNumberError&) {
                // A number that does not convert ends the command, as on the line.
            }
            Require(pos <= size, "read past the input");
        }
    } catch (const EndOfInput&) {
    }
    return 0;
}
