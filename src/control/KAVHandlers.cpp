#include "control/KAVHandlers.h"

#include <cmath>
#include <optional>

#include "control/System.h"

namespace orv {

namespace {

// Device numbers, positions and port values are small; anything not finite or
// beyond this is nonsense from the host and commands nothing.
constexpr double MaxArgument = 1.0e6;

std::optional<int> Truncated(double value) {
    if (!std::isfinite(value) || std::fabs(value) > MaxArgument) return std::nullopt;
    return static_cast<int>(std::trunc(value));
}

}  // namespace

void SetKAVMotor(System& system) {
    auto& s = system.state;
    const auto device = Truncated(s.CommandParam[1]);
    const auto position = Truncated(s.CommandParam[2]);
    if (device && position) system.kav.setMotor(*device, *position);
    s.StateCode = 0;
}

void SetKAVPort(System& system) {
    auto& s = system.state;
    if (const auto value = Truncated(s.CommandParam[1])) system.kav.setPort(*value);
    s.StateCode = 0;
}

}  // namespace orv
