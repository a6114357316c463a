#pragma once
// The operator's other windows, created once with the main window and kept for
// the run, and how they join it: "Mi&sc...", "&Hand Paddle...", "&Time
// Setup..." and "&Save Point Data...", the colour scheme, and the question
// about unsaved points in the close sequence.

#include "ui/MovementWindows.h"

namespace orv {
class OrvPointsDlg;
class OrvTimeSetup;
}  // namespace orv

namespace orv::ui {

class TMiscDlg;
class TPaddleDlg;
class TPointDlg;
class TTimeSetupDlg;

struct ConsoleWindows {
    TMiscDlg* misc = nullptr;
    TPaddleDlg* paddle = nullptr;
    TTimeSetupDlg* timeSetup = nullptr;
    TPointDlg* points = nullptr;
};

// Creates the four windows as children of `mainWindow` over the program's
// time-setup timer and point list (help from `help`, may be null) and joins
// them to it: each menu item (MiscMnu, PaddleMnu, TimeSetupMnu,
// SavePointsMnu) shows its window, and unsaved points are offered for saving
// once the close was confirmed (the program closes whatever the answer).
ConsoleWindows AttachConsoleWindows(System& system, OrvTimeSetup& timeSetup, OrvPointsDlg& points,
                                    QWidget* mainWindow, THelpWindow* help, const MainWindowHooks& hooks);

}  // namespace orv::ui
