#include "ui/ChannelWindows.h"

#include "controllers/OrvMainForm.h"
#include "ui/TCommDlg.h"
#include "ui/TSettingsDlg.h"
#include "ui/TTCPSettingsDlg.h"

namespace orv::ui {

ChannelWindows AttachChannelWindows(DefaultsChannels& channels, StatusLog& log, QWidget* mainWindow,
                                    THelpWindow* help, const MainWindowHooks& hooks) {
    ChannelWindows w{new TCommDlg(channels, log, mainWindow)};
    for (TOrvDialog* d : {static_cast<TOrvDialog*>(w.comm), static_cast<TOrvDialog*>(w.comm->serialSettings()),
                          static_cast<TOrvDialog*>(w.comm->tcpSettings())}) {
        if (help) d->setHelpWindow(help);
        if (hooks.followColourScheme) hooks.followColourScheme(*d);
    }
    if (hooks.attachDialog) hooks.attachDialog(kCommMnu, [d = w.comm] { d->ShowCommDialog(); });
    return w;
}

}  // namespace orv::ui
