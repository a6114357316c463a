#include "ui/ConsoleWindows.h"

#include "control/System.h"
#include "controllers/OrvMainForm.h"
#include "ui/TMiscDlg.h"
#include "ui/TPaddleDlg.h"
#include "ui/TPointDlg.h"
#include "ui/TTimeSetupDlg.h"

namespace orv::ui {

ConsoleWindows AttachConsoleWindows(System& system, OrvTimeSetup& timeSetup, OrvPointsDlg& points,
                                    QWidget* mainWindow, THelpWindow* help, const MainWindowHooks& hooks) {
    ConsoleWindows w{new TMiscDlg(system, mainWindow), new TPaddleDlg(*system.paddle, mainWindow),
                     new TTimeSetupDlg(timeSetup, mainWindow), new TPointDlg(points, system, mainWindow)};
    for (TOrvDialog* d : {static_cast<TOrvDialog*>(w.misc), static_cast<TOrvDialog*>(w.paddle),
                          static_cast<TOrvDialog*>(w.timeSetup), static_cast<TOrvDialog*>(w.points)}) {
        if (help) d->setHelpWindow(help);
        if (hooks.followColourScheme) hooks.followColourScheme(*d);
    }
    if (hooks.attachDialog) {
        hooks.attachDialog(MiscMnu, [d = w.misc] { d->MiscMnuClick(); });
        hooks.attachDialog(PaddleMnu, [d = w.paddle] { d->PaddleMnuClick(); });
        hooks.attachDialog(TimeSetupMnu, [d = w.timeSetup] { d->TimeSetupMnuClick(); });
        hooks.attachDialog(SavePointsMnu, [d = w.points] { d->SavePointsMnuClick(); });
    }
    if (hooks.addCloseQuestion) hooks.addCloseQuestion([d = w.points] {
            d->QuerySavePoints();
            return true;
        });
    return w;
}

}  // namespace orv::ui
