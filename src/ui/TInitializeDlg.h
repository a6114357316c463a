#pragma once
// The Initialization window: the universal date and time, where the telescope
// points, and the dome, rotator and focus counters. OrvInitDlg decides what
// each Apply sends; this window shows the fields. Modeless, created once.

#include "controllers/OrvInitDlg.h"
#include "ui/TOrvDialog.h"

class QDateEdit;
class QTabWidget;

namespace orv::ui {

class TDegreeSpin;
class TRealSpin;

class TInitializeDlg : public TOrvDialog {
    Q_OBJECT
public:
    enum Page { DateTimePage, TelescopePage, OtherPage };

    // The telescope-position fields take the zenith of this moment.
    explicit TInitializeDlg(System& system, QWidget* parent = nullptr);

    // "&Initialization...": the date and time fields from the program's UT,
    // then the window; the position fields keep what they hold.
    void InitMnuClick();

    OrvInitDlg& controller() { return controller_; }
    QTabWidget* pages() const { return pages_; }

private:
    void showDateTime(const DateTimeFields& fields);
    DateTimeFields dateTime() const;
    void showPosition(const PositionFields& fields);

    OrvInitDlg controller_;
    QTabWidget* pages_;
    QDateEdit* date_;
    TDegreeSpin* ut_;
    TDegreeSpin* ra_;
    TDegreeSpin* dec_;
    TRealSpin* epoch_;
    TRealSpin* dome_;
    TRealSpin* rotator_;
    TRealSpin* focus_;
};

}  // namespace orv::ui
