#pragma once
// The windows of the remote channels, created once with the main window and
// kept for the run: the Communications dialog (with its Serial Settings and
// TCP/IP Settings dialogs) on "&Communications...".

#include <QWidget>

#include "ui/MovementWindows.h"

namespace orv {
class DefaultsChannels;
class StatusLog;
}  // namespace orv

namespace orv::ui {

class TCommDlg;

struct ChannelWindows {
    TCommDlg* comm = nullptr;
};

// Creates the windows as children of `mainWindow` (help from `help`, may be
// null) and joins them to it: kCommMnu opens the Communications dialog.
ChannelWindows AttachChannelWindows(DefaultsChannels& channels, StatusLog& log, QWidget* mainWindow,
                                    THelpWindow* help, const MainWindowHooks& hooks);

}  // namespace orv::ui
