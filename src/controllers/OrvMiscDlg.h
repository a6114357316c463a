#pragma once
// The Misc. Settings window's model: the tracking switches (cosine of
// declination, rate correction, dome on, dome home or track), the dome sent to
// an azimuth, the cloud sensor switched off, the display epoch, the side of the
// pier, the focus target and the dome shutter. Every "Apply" goes through the
// Commander; the state machine does the work.

#include "controllers/RealSpinModel.h"

namespace orv {

class System;

// State codes the Misc window requests.
namespace misc_code {
inline constexpr int CosineDeclination = 18, RateCorrection = 19, DomeOn = 20, DomeHomeTrack = 21,
                     DisplayEpoch = 22, MoveFocus = 27, DomeToAzimuth = 34, Shutter = 36;
}

inline constexpr int MiscHelpTopic = 4;
inline constexpr double FocusDefault = 1300;   // focus counts the window starts with

// The four boxes of "Set Switches". `DomeTrack` is the dome box: "Track" (true,
// the dome follows the telescope) or "Home" (false, it goes to its home azimuth).
struct SwitchFields {
    bool CosineDeclination = false, RateCorrection = false, DomeOn = false, DomeTrack = true;
    bool operator==(const SwitchFields&) const = default;
};

// What opening the window from the menu loads.
struct MiscFields {
    SwitchFields switches;
    double Epoch = 0;            // display equinox, years
    double Focus = 0;            // focus reading
    bool EastSide = false;       // the side of the pier in force
};

class OrvMiscDlg {
public:
    explicit OrvMiscDlg(System& system) : system_(system) {}

    static RealSpinSettings DomeAZSpin();     // 0 to 360 degrees, limited, step 1
    static RealSpinSettings DisEpochSpin();   // step 0.5
    static RealSpinSettings FocusSpin();      // 1050 to 3500, limited, step 0.1, one decimal

    // "Mi&sc...": the switches as they are (the dome box always on "Track"),
    // the display epoch, the focus reading and the side of the pier.
    MiscFields MiscMnuClick() const;

    // "Apply" of the switches: 18, 19, 20 and 21, each with 1 for a box that
    // is on ("Home" for the dome box) and 0 otherwise. The Commander holds them
    // in this order and writes each once the state machine has finished the
    // one before, so the window does not wait; a stop drops those not yet run.
    void ApplySwitchBtnClick(const SwitchFields& f);
    // Sends the dome to an azimuth: 34 with the azimuth in radians.
    void ApplyDomeAzBtnClick(double degrees);
    // "Disable Cloud Sensor Input": while on, a new cloud signal does not send
    // the dome home and close the shutter.
    void CloudSensorChkClick(bool disabled);
    bool cloudSensorDisabled() const;

    void ApplyEpochBtnClick(double epoch);   // 22
    // The side of the pier at once (no state code); it reaches the
    // initialisation file with "Save User Defaults" only.
    void EastWestButtonClick(bool east);
    void ApplyFocusBtnClick(double target);   // 27

    // Opening clears a latched cloud alarm first (CloudDetected, CloudHandled),
    // then 36 with 1; closing sends 36 with 0 and leaves the alarm alone.
    void ShutterOpenBtnClick();
    void ShutterCloseBtnClick();

private:
    System& system_;
};

}  // namespace orv
