#pragma once
// The on-screen hand paddle and the paddle byte that the input monitor reads.
//
// The window holds one flag per direction button while the mouse holds it down
// and rebuilds the paddle byte on every press and release; the input monitor
// ORs that byte into the hardware paddle byte while the window is shown.
// Paddle byte bits: 0x04 north, 0x08 south, 0x10 east, 0x20 west,
// 0x40 set speed, 0x80 slew speed (no speed bit: guide speed).

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

namespace orv {

class System;

enum class PaddleButton { North, East, South, West, NorthWest, NorthEast, SouthEast, SouthWest };
enum class PaddleSpeed { Guide, Set, Slew };

// The button named `name` ("NorthBtn", "WestBtn", "EastBtn", "SouthBtn",
// "NWBtn", "NEBtn", "SWBtn", "SEBtn"), if any.
std::optional<PaddleButton> PaddleButtonByName(std::string_view name);

// The paddle byte for the held buttons and the speed choice: the direction code
// of the first held button in the order west, east, south, north, north-west,
// north-east, south-west, south-east (only one code, even with several held),
// plus 0x40 for set speed or 0x80 for slew speed.
uint8_t BuildPaddleByte(const std::array<bool, 8>& held, PaddleSpeed speed);

class VirtualPaddle {
public:
    // Mouse down / up on a direction button: sets or clears its flag and
    // rebuilds the byte with the speed choice of that moment.
    void press(PaddleButton button);
    void release(PaddleButton button);
    // The speed radio group; read only at the next press or release.
    void setSpeed(PaddleSpeed speed);
    PaddleSpeed speed() const;
    bool held(PaddleButton button) const;

    uint8_t VirtualPaddleByte() const { return byte_.load(); }

    // True while the window is shown; false at creation.
    std::atomic<bool> PaddleWindowVisible{false};

private:
    void rebuild();   // caller holds mutex_

    mutable std::mutex mutex_;
    std::array<bool, 8> held_{};
    PaddleSpeed speed_ = PaddleSpeed::Guide;
    std::atomic<uint8_t> byte_{0};
};

// The hardware paddle (port 0x688, inverted: its inputs are active low) ORed
// with the on-screen paddle while the window is shown and with what remote
// hosts press (RemotePaddle).
uint8_t ReadPaddleByte(System& system);

}  // namespace orv
