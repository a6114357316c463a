#pragma once
// The three windows of the "&Telescope" menu that set up and move the
// telescope, created once with the main window and kept for the run, and how
// they join it: their menu items ("&Initialization...", "&Movement...",
// "&Rates..."), the colour scheme, and the question about unsaved marks in
// the close sequence.

#include <QWidget>
#include <functional>
#include <string>

namespace orv {
class System;
}

namespace orv::ui {

class THelpWindow;
class TInitializeDlg;
class TMoveDlg;
class TRatesDlg;

struct MovementWindows {
    TInitializeDlg* init = nullptr;
    TMoveDlg* move = nullptr;
    TRatesDlg* rates = nullptr;

    // For the main window's close sequence: unsaved mark-table changes are
    // offered for saving; false when the operator cancels (keep running).
    bool QuerySaveMarks() const;
};

// What the main window offers its dialogs; an empty member is skipped.
struct MainWindowHooks {
    // Choosing the named menu item runs `open`.
    std::function<void(const std::string& menuItemName, std::function<void()> open)> attachDialog;
    // The window takes the night and day colours with the main window.
    std::function<void(QWidget& window)> followColourScheme;
    // A question asked after the close was confirmed; false keeps the program running.
    std::function<void(std::function<bool()> question)> addCloseQuestion;
};

// Creates the three windows as children of `mainWindow` (help from `help`,
// may be null) and joins them to it: each menu item (InitMnu, MoveMnu,
// RatesMnu) loads its window's fields from the current state and shows it.
MovementWindows AttachMovementWindows(System& system, QWidget* mainWindow, THelpWindow* help,
                                      const MainWindowHooks& hooks);

}  // namespace orv::ui
