#include "ui/MovementWindows.h"

#include "controllers/OrvMainForm.h"
#include "ui/TInitializeDlg.h"
#include "ui/TMoveDlg.h"
#include "ui/TRatesDlg.h"

namespace orv::ui {

bool MovementWindows::QuerySaveMarks() const { return !move || move->QuerySaveMarks(); }

MovementWindows AttachMovementWindows(System& system, QWidget* mainWindow, THelpWindow* help,
                                      const MainWindowHooks& hooks) {
    MovementWindows w{new TInitializeDlg(system, mainWindow), new TMoveDlg(system, mainWindow),
                      new TRatesDlg(system, mainWindow)};
    for (TOrvDialog* d : {static_cast<TOrvDialog*>(w.init), static_cast<TOrvDialog*>(w.move),
                          static_cast<TOrvDialog*>(w.rates)}) {
        if (help) d->setHelpWindow(help);
        if (hooks.followColourScheme) hooks.followColourScheme(*d);
    }
    if (hooks.attachDialog) {
        hooks.attachDialog(InitMnu, [d = w.init] { d->InitMnuClick(); });
        hooks.attachDialog(MoveMnu, [d = w.move] { d->MoveMnuClick(); });
        hooks.attachDialog(RatesMnu, [d = w.rates] { d->RatesMnuClick(); });
    }
    if (hooks.addCloseQuestion) hooks.addCloseQuestion([w] { return w.QuerySaveMarks(); });
    return w;
}

}  // namespace orv::ui
