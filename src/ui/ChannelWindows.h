#pragma once
// The windows of the remote channels and the instrument, created once with the
// main window and kept for the run: the Communications dialog (with its Serial
// Settings and TCP/IP Settings dialogs) on "&Communication..." and the KAV
// window on "&KAV Control...".

#include <QWidget>

#include "ui/MovementWindows.h"
#include "ui/TKAVDlg.h"

namespace orv {
class Clock;
class DefaultsChannels;
class KAVLink;
class StatusLog;
}  // namespace orv

namespace orv::ui {

class TCommDlg;

// What the windows act on. Without a KAV link there is no KAV window and its
// menu item stays greyed.
struct ChannelWindowsSources {
    DefaultsChannels& channels;
    StatusLog& log;
    KAVLink* kav = nullptr;
    Clock* clock = nullptr;
    KAVLabelAccess kavLabels;
};

struct ChannelWindows {
    TCommDlg* comm = nullptr;
    TKAVDlg* kav = nullptr;
};

// Creates the windows as children of `mainWindow` (help from `help`, may be
// null) and joins them to it: CommMnu opens the Communications dialog,
// KAVMnu the KAV window.
ChannelWindows AttachChannelWindows(const ChannelWindowsSources& sources, QWidget* mainWindow, THelpWindow* help,
                                    const MainWindowHooks& hooks);

}  // namespace orv::ui
