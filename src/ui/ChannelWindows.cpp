#include "ui/ChannelWindows.h"

#include "controllers/OrvMainForm.h"
#include "ui/TCommDlg.h"
#include "ui/TSettingsDlg.h"
#include "ui/TTCPSettingsDlg.h"

namespace orv::ui {

ChannelWindows AttachChannelWindows(const ChannelWindowsSources& sources, QWidget* mainWindow, THelpWindow* help,
                                    const MainWindowHooks& hooks) {
    ChannelWindows w{new TCommDlg(sources.channels, sources.log, mainWindow)};
    std::vector<TOrvDialog*> dialogs{w.comm, w.comm->serialSettings(), w.comm->tcpSettings()};
    if (sources.kav && sources.clock) {
        w.kav = new TKAVDlg(*sources.kav, *sources.clock, sources.kavLabels, mainWindow);
        dialogs.push_back(w.kav);
    }
    for (TOrvDialog* d : dialogs) {
        if (help) d->setHelpWindow(help);
        if (hooks.followColourScheme) hooks.followColourScheme(*d);
    }
    if (hooks.attachDialog) {
        hooks.attachDialog(CommMnu, [d = w.comm] { d->ShowCommDialog(); });
        if (w.kav) hooks.attachDialog(KAVMnu, [d = w.kav] { d->KAVMnuClick(); });
    }
    return w;
}

}  // namespace orv::ui
