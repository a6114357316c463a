// Lines of the simulator's control channel (loopback only, but a script may
// send anything): each gets one reply line and a bad one changes nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "core/Clock.h"
#include "sim/SimControlServer.h"
#include "sim/SimulatedInterface.h"

using orv::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::ManualClock clock(0);
    orv::SimulatedInterface sim(clock);
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string reply = orv::ExecuteSimCommand(sim, text.substr(0, end));
        Require(!reply.empty() && reply.find('\n') == std::string::npos, "a reply is not one line");
        text.remove_prefix(std::min(end + 1, text.size()));
        clock.advance(50);
    }
    return 0;
}
