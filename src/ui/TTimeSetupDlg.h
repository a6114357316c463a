#pragma once
// The Time Setup window over the synchronisation timer (OrvTimeSetup), which
// runs whether the window is open or not: the update interval, the
// synchronisation switch, the time since the last update (refreshed every
// second while shown) and Save Settings.
//
// Modeless like the other windows, so that the main window's Stop button
// stays within reach while it is open.

#include <QTimer>

#include "controllers/OrvTimeSetup.h"
#include "ui/TOrvDialog.h"

class QCheckBox;
class QLabel;

namespace orv::ui {

class TDegreeSpin;

class TTimeSetupDlg : public TOrvDialog {
    Q_OBJECT
public:
    static constexpr int DisplayTimerMs = 1000;

    TTimeSetupDlg(OrvTimeSetup& timeSetup, QWidget* parent = nullptr);

    // "&Time Setup...": the interval and switch as they are, then the window.
    void TimeSetupMnuClick();

    QLabel* lastUpdate() const { return lastUpdate_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showElapsed();

    OrvTimeSetup& controller_;
    TDegreeSpin* interval_;
    QCheckBox* synchronize_;
    QLabel* lastUpdate_;
    QTimer displayTimer_;
};

}  // namespace orv::ui
