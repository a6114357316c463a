#include "controllers/OrvPaddle.h"

namespace orv {

namespace {

constexpr size_t index(PaddleButton b) { return static_cast<size_t>(b); }
constexpr size_t index(ArrowKey k) { return static_cast<size_t>(k); }

constexpr std::array<PaddleCell, 8> Layout{{
    {PaddleButton::NorthEast, 0, 0, "NEBtn", "NE"},
    {PaddleButton::North, 0, 1, "NorthBtn", "N"},
    {PaddleButton::NorthWest, 0, 2, "NWBtn", "NW"},
    {PaddleButton::East, 1, 0, "EastBtn", "E"},
    {PaddleButton::West, 1, 2, "WestBtn", "W"},
    {PaddleButton::SouthEast, 2, 0, "SEBtn", "SE"},
    {PaddleButton::South, 2, 1, "SouthBtn", "S"},
    {PaddleButton::SouthWest, 2, 2, "SWBtn", "SW"},
}};

// The button at a grid place; none in the middle.
std::optional<PaddleButton> ButtonAt(int row, int column) {
    for (const PaddleCell& c : Layout)
        if (c.row == row && c.column == column) return c.button;
    return std::nullopt;
}

}  // namespace

const std::array<PaddleCell, 8>& PaddleLayout() { return Layout; }

bool OrvPaddle::held(PaddleButton b) const { return mouse_[index(b)] || keyButton_ == b; }

void OrvPaddle::change(PaddleButton b, bool wasHeld, PaddleSpeed speed) {
    const bool now = held(b);
    if (now == wasHeld) return;
    paddle_.setSpeed(speed);
    if (now) paddle_.press(b);
    else paddle_.release(b);
    paddle_.setSpeed(speed_);
}

void OrvPaddle::ButtonDown(PaddleButton b) {
    const bool was = held(b);
    mouse_[index(b)] = true;
    change(b, was, speed_);
}

void OrvPaddle::ButtonUp(PaddleButton b) {
    const bool was = held(b);
    mouse_[index(b)] = false;
    change(b, was, speed_);
}

void OrvPaddle::SpeedRadioClick(PaddleSpeed speed) {
    speed_ = speed;
    paddle_.setSpeed(speed);
}

void OrvPaddle::keysChanged(bool shift) {
    // Opposite arrows cancel; the arrows point into the grid from its middle.
    const int down = int(arrows_[index(ArrowKey::Down)]) - int(arrows_[index(ArrowKey::Up)]);
    const int right = int(arrows_[index(ArrowKey::Right)]) - int(arrows_[index(ArrowKey::Left)]);
    const std::optional<PaddleButton> before = keyButton_;
    const std::optional<PaddleButton> after = ButtonAt(1 + down, 1 + right);
    if (before == after) return;
    const PaddleSpeed speed = shift ? PaddleSpeed::Set : speed_;
    // Let go of the old button before holding the new one, so that the byte
    // never carries both directions' code.
    keyButton_.reset();
    if (before) change(*before, true, speed);
    if (after) {
        const bool was = held(*after);   // by the mouse
        keyButton_ = after;
        change(*after, was, speed);
    }
}

void OrvPaddle::KeyDown(ArrowKey key, bool shift) {
    arrows_[index(key)] = true;
    keysChanged(shift);
}

void OrvPaddle::KeyUp(ArrowKey key, bool shift) {
    arrows_[index(key)] = false;
    keysChanged(shift);
}

void OrvPaddle::ShiftChanged(bool shift) {
    if (!keyButton_) return;
    // The held button again, at the new speed.
    paddle_.setSpeed(shift ? PaddleSpeed::Set : speed_);
    paddle_.press(*keyButton_);
    paddle_.setSpeed(speed_);
}

void OrvPaddle::ReleaseKeys() {
    arrows_.fill(false);
    keysChanged(false);
}

void OrvPaddle::Shown() { paddle_.PaddleWindowVisible = true; }

void OrvPaddle::Hidden() {
    ReleaseKeys();
    paddle_.PaddleWindowVisible = false;
}

}  // namespace orv
