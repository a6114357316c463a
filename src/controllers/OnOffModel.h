#pragma once
// `TOnOffBox`: a small box showing an on/off state as a word on a colour
// ("On" on lime, "Off" on red; silver while disabled). A left click toggles
// it when `UserChangeable` is on; the main window's status boxes are not
// changeable and only show the state.

#include <string>

#include "controllers/Colours.h"

namespace orv {

struct OnOffModel {
    static constexpr int Size = 26;  // pixels, square

    bool on = true;
    bool enabled = true;
    bool UserChangeable = true;
    std::string OnString = "On";
    std::string OffString = "Off";
    WindowColour OnColor = Lime;
    WindowColour OffColor = Red;
    WindowColour DisabledColor = Silver;
    WindowColour TextColor = Black;

    // A left click: toggles and returns true when the operator may change the box.
    bool click() {
        if (!UserChangeable || !enabled) return false;
        on = !on;
        return true;
    }
    const std::string& text() const { return on ? OnString : OffString; }
    WindowColour background() const { return !enabled ? DisabledColor : on ? OnColor : OffColor; }
};

}  // namespace orv
