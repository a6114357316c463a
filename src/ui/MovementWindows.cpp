#include "ui/MovementWindows.h"

#include "ui/TInitializeDlg.h"
#include "ui/TMoveDlg.h"
#include "ui/TRatesDlg.h"

namespace orv::ui {

bool MovementWindows::QuerySaveMarks() const { return !move || move->QuerySaveMarks(); }

MovementWindows AttachMovementWindows(System& system, QWidget* mainWindow, THelpWindow* help,
                                      const AttachMenuItem& attach) {
    MovementWindows w{new TInitializeDlg(system, mainWindow), new TMoveDlg(system, mainWindow),
                      new TRatesDlg(system, mainWindow)};
    for (TOrvDialog* d : {static_cast<TOrvDialog*>(w.init), static_cast<TOrvDialog*>(w.move),
                          static_cast<TOrvDialog*>(w.rates)})
        if (help) d->setHelpWindow(help);
    if (attach) {
        attach(kInitializationMenuItem, [d = w.init] { d->InitMnuClick(); });
        attach(kMovementMenuItem, [d = w.move] { d->MoveMnuClick(); });
        attach(kRatesMenuItem, [d = w.rates] { d->RatesMnuClick(); });
    }
    return w;
}

}  // namespace orv::ui
