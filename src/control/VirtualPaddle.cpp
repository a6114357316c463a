#include "control/VirtualPaddle.h"

#include "control/RemotePaddle.h"
#include "control/System.h"
#include "core/Ports.h"

namespace orv {

namespace {

constexpr size_t index(PaddleButton b) { return static_cast<size_t>(b); }

// Direction codes in the order the buttons are tried.
struct DirectionCode {
    PaddleButton button;
    uint8_t code;
};
constexpr std::array<DirectionCode, 8> DirectionOrder{{
    {PaddleButton::West, ports::PaddleWest},
    {PaddleButton::East, ports::PaddleEast},
    {PaddleButton::South, ports::PaddleSouth},
    {PaddleButton::North, ports::PaddleNorth},
    {PaddleButton::NorthWest, ports::PaddleNorth | ports::PaddleWest},
    {PaddleButton::NorthEast, ports::PaddleNorth | ports::PaddleEast},
    {PaddleButton::SouthWest, ports::PaddleSouth | ports::PaddleWest},
    {PaddleButton::SouthEast, ports::PaddleSouth | ports::PaddleEast},
}};

}  // namespace

std::optional<PaddleButton> PaddleButtonByName(std::string_view name) {
    if (name == "NorthBtn") return PaddleButton::North;
    if (name == "EastBtn") return PaddleButton::East;
    if (name == "SouthBtn") return PaddleButton::South;
    if (name == "WestBtn") return PaddleButton::West;
    if (name == "NWBtn") return PaddleButton::NorthWest;
    if (name == "NEBtn") return PaddleButton::NorthEast;
    if (name == "SEBtn") return PaddleButton::SouthEast;
    if (name == "SWBtn") return PaddleButton::SouthWest;
    return std::nullopt;
}

uint8_t BuildPaddleByte(const std::array<bool, 8>& held, PaddleSpeed speed) {
    uint8_t byte = 0;
    for (const auto& d : DirectionOrder) {
        if (held[index(d.button)]) {
            byte = d.code;
            break;
        }
    }
    if (speed == PaddleSpeed::Set) byte |= ports::PaddleSetSpeed;
    if (speed == PaddleSpeed::Slew) byte |= ports::PaddleSlewSpeed;
    return byte;
}

void VirtualPaddle::press(PaddleButton button) {
    std::lock_guard lock(mutex_);
    held_[index(button)] = true;
    rebuild();
}

void VirtualPaddle::release(PaddleButton button) {
    std::lock_guard lock(mutex_);
    held_[index(button)] = false;
    rebuild();
}

void VirtualPaddle::setSpeed(PaddleSpeed speed) {
    std::lock_guard lock(mutex_);
    speed_ = speed;
}

PaddleSpeed VirtualPaddle::speed() const {
    std::lock_guard lock(mutex_);
    return speed_;
}

bool VirtualPaddle::held(PaddleButton button) const {
    std::lock_guard lock(mutex_);
    return held_[index(button)];
}

void VirtualPaddle::rebuild() { byte_ = BuildPaddleByte(held_, speed_); }

uint8_t ReadPaddleByte(System& system) {
    uint8_t byte = static_cast<uint8_t>(~system.bus.read(ports::PaddleInput));
    if (system.paddle && system.paddle->PaddleWindowVisible) byte |= system.paddle->VirtualPaddleByte();
    if (system.remotePaddle)
        byte |= system.remotePaddle->RemotePaddleByte(system.clock.nowMs(), RemotePaddleSafety(system));
    return byte;
}

}  // namespace orv
