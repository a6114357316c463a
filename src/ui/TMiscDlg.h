#pragma once
// The Misc. Settings window: the tracking switches, the dome sent to an
// azimuth, the cloud sensor, the display epoch, the side of the pier, the focus
// target and the dome shutter. OrvMiscDlg decides what each button sends; the
// switches' Apply returns at once (the Commander runs the four in order).
// Modeless, created once.

#include "controllers/OrvMiscDlg.h"
#include "ui/TOrvDialog.h"

class QCheckBox;
class QRadioButton;
class QTabWidget;

namespace orv::ui {

class TOnOffBox;
class TRealSpin;

class TMiscDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { SwitchesPage, EpochPage, FocusPage };

    explicit TMiscDlg(System& system, QWidget* parent = nullptr);

    // "Mi&sc...": the switches, epoch, focus and side of the pier as they are
    // (the dome box on "Track"), then the window.
    void MiscMnuClick();

    OrvMiscDlg& controller() { return controller_; }
    QTabWidget* pages() const { return pages_; }

private:
    SwitchFields switches() const;

    OrvMiscDlg controller_;
    QTabWidget* pages_;
    TOnOffBox* cosDec_ = nullptr;
    TOnOffBox* rateCorrect_ = nullptr;
    TOnOffBox* domeOn_ = nullptr;
    TOnOffBox* domeTrack_ = nullptr;
    TRealSpin* domeAz_;
    QCheckBox* cloudSensor_;
    TRealSpin* epoch_;
    QRadioButton* east_;
    QRadioButton* west_;
    TRealSpin* focus_;
};

}  // namespace orv::ui
