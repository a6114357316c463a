#pragma once
// The named colours of the windows as red-green-blue values. Button face is
// the desktop's own colour, which only the toolkit knows: it is marked rather
// than given a value.

#include <cstdint>

namespace orv {

struct WindowColour {
    uint32_t rgb = 0;         // 0xRRGGBB
    bool buttonFace = false;  // the desktop's button-face colour instead of rgb
    bool operator==(const WindowColour&) const = default;
};

inline constexpr WindowColour Silver{0xC0C0C0};
inline constexpr WindowColour Black{0x000000};
inline constexpr WindowColour Aqua{0x00FFFF};
inline constexpr WindowColour Navy{0x000080};
inline constexpr WindowColour Lime{0x00FF00};
inline constexpr WindowColour Yellow{0xFFFF00};
inline constexpr WindowColour Red{0xFF0000};
inline constexpr WindowColour White{0xFFFFFF};
inline constexpr WindowColour ButtonFace{0, true};

}  // namespace orv
