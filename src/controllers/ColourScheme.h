#pragma once
// The night and day colour schemes: five groups of controls, each with a text
// and a background colour per scheme. Night colours keep the dome dark and
// the operator's eyes adapted; day colours are the desktop's usual ones.
//
// Controls are named as in the windows (the widgets' object names). Controls
// not named here keep their own colours, or take them from their window.
// The hand paddle, Time Setup and Shut Down windows are not in the table:
// they keep their own colours.

#include <optional>
#include <string_view>

#include "controllers/Colours.h"

namespace orv {

enum class SchemeGroup {
    Windows,      // the main window and the dialogs
    TimeValues,   // time, date, Julian Date, azimuths, focus
    ValuePanels,  // position, next object, rates, dome, channel modes
    Alarms,       // operating mode, limits, target, slew, trail and set states
    Status,       // status and paddle direction texts
};

struct SchemeColours {
    WindowColour text;
    WindowColour background;
};

SchemeColours ColoursOf(SchemeGroup group, bool night);

// The group of a window (by class name, "TForm1", "TMoveDlg" ...) or control
// (by name, "UTimeDis" ...); nothing for those the scheme leaves alone.
std::optional<SchemeGroup> SchemeGroupOf(std::string_view name);

}  // namespace orv
