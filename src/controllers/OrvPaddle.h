#pragma once
// The Hand Paddle window's model: the eight direction buttons, the speed choice
// and the keyboard, on the system's on-screen paddle (VirtualPaddle).
//
// The buttons sit as the sky is seen with north up: north at the top, south at
// the bottom, east on the left, west on the right, the four diagonals in the
// corners. While the window has the focus the arrow keys hold the button they
// point at (two arrows at once a diagonal), at the chosen speed, or at set speed
// while Shift is held: an operator at night keeps the eyes on the eyepiece and
// guides by feel. A button held by the mouse and by the keys stays held until
// both let go.
//
// Runs on the user-interface thread.

#include <array>
#include <optional>

#include "control/VirtualPaddle.h"

namespace orv {

// A direction button's place in the window's 3 x 3 grid and its control name.
struct PaddleCell {
    PaddleButton button;
    int row, column;
    const char* name;
    const char* caption;
};
const std::array<PaddleCell, 8>& PaddleLayout();

// The speed radio group's items, in order.
inline constexpr std::array<const char*, 3> PaddleSpeedItems = {"Guide Speed", "Set Speed", "Slew Speed"};

enum class ArrowKey { Up, Down, Left, Right };

class OrvPaddle {
public:
    explicit OrvPaddle(VirtualPaddle& paddle) : paddle_(paddle) {}

    // Mouse down and up on a direction button.
    void ButtonDown(PaddleButton button);
    void ButtonUp(PaddleButton button);
    // The speed radio group: read at the next press or release.
    void SpeedRadioClick(PaddleSpeed speed);
    PaddleSpeed speed() const { return speed_; }

    // The keyboard. Auto-repeated presses are the caller's to drop.
    void KeyDown(ArrowKey key, bool shift);
    void KeyUp(ArrowKey key, bool shift);
    void ShiftChanged(bool shift);
    // The window lost the focus: no key release will come, so the keys let go now.
    void ReleaseKeys();
    // The button the arrow keys hold now, if any.
    std::optional<PaddleButton> keyButton() const { return keyButton_; }

    // The window is shown / hidden: the paddle's bits count only while it is
    // shown. Hiding lets go of the keys; a button the mouse holds stays held
    // until it is released.
    void Shown();
    void Hidden();

private:
    bool held(PaddleButton b) const;
    // Applies a change of what holds `b` with `speed` for the rebuild.
    void change(PaddleButton b, bool wasHeld, PaddleSpeed speed);
    void keysChanged(bool shift);

    VirtualPaddle& paddle_;
    PaddleSpeed speed_ = PaddleSpeed::Guide;
    std::array<bool, 8> mouse_{};
    std::array<bool, 4> arrows_{};   // ArrowKey order
    std::optional<PaddleButton> keyButton_;
};

}  // namespace orv
