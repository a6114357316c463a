#pragma once
// The three windows of the "&Telescope" menu that set up and move the
// telescope, created once with the main window and kept for the run, and
// their menu items: "&Initialization...", "&Movement...", "&Rates...".

#include <QString>
#include <functional>

class QWidget;

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

// Ties a menu item (by its object name) to what choosing it does.
using AttachMenuItem = std::function<void(const QString& menuItemName, std::function<void()> open)>;

// The menu items' object names.
inline constexpr const char* kInitializationMenuItem = "InitializeMnu";
inline constexpr const char* kMovementMenuItem = "MoveMnu";
inline constexpr const char* kRatesMenuItem = "RatesMnu";

// Creates the three windows as children of `mainWindow` (help from `help`,
// may be null) and attaches each to its menu item: choosing it loads the
// window's fields from the current state and shows it.
MovementWindows AttachMovementWindows(System& system, QWidget* mainWindow, THelpWindow* help,
                                      const AttachMenuItem& attach);

}  // namespace orv::ui
