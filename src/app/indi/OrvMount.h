#pragma once
// Orv's mount as an INDI telescope with guider: gotos, syncs and the position
// in the place of date (JNow, converted from and to Orv's own frame with ERFA),
// abort, tracking on/off, the hand paddle at guide, set or slew speed with its
// dead man, pulse guiding, park to the cover/service position, pier side, time
// and site.

#include <memory>
#include <optional>

#include "indiguiderinterface.h"
#include "inditelescope.h"

#include "app/indi/OrvSky.h"
#include "app/indi/OrvStatus.h"

namespace orv::indi {

class OrvConnection;

class OrvMount final : public INDI::Telescope, public INDI::GuiderInterface {
public:
    OrvMount();
    ~OrvMount() override;

    const char* getDefaultName() override { return "Orv Mount"; }
    bool initProperties() override;
    bool updateProperties() override;
    void ISGetProperties(const char* dev) override;
    bool ISNewNumber(const char* dev, const char* name, double values[], char* names[], int n) override;
    bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) override;

protected:
    bool Handshake() override;
    bool ReadScopeStatus() override;
    bool Goto(double ra, double dec) override;
    bool Sync(double ra, double dec) override;
    bool Abort() override;
    bool Park() override;
    bool UnPark() override;
    bool SetTrackEnabled(bool enabled) override;
    bool SetSlewRate(int index) override;
    bool MoveNS(INDI_DIR_NS dir, TelescopeMotionCommand command) override;
    bool MoveWE(INDI_DIR_WE dir, TelescopeMotionCommand command) override;
    bool updateTime(ln_date* utc, double utc_offset) override;
    bool updateLocation(double latitude, double longitude, double elevation) override;

    IPState GuideNorth(uint32_t ms) override;
    IPState GuideSouth(uint32_t ms) override;
    IPState GuideEast(uint32_t ms) override;
    IPState GuideWest(uint32_t ms) override;

private:
    // A command sequence the driver waits on: a goto, a park.
    struct Pending {
        enum Kind { None, Goto, Park } kind = None;
        RaDec target{};               // place of date (goto)
        uint32_t stopGeneration = 0;  // a stop after the command discards it
        bool slewSeen = false;
        bool stopTracking = false;    // SLEW: tracking off on arrival
        int polls = 0;
    };

    // Sends the paddle press for the directions held in INDI (0 releases).
    bool press();
    void renewPress();
    static void RenewTimer(void* self);
    static void GuideTimerNS(void* self);
    static void GuideTimerWE(void* self);
    IPState pulse(uint8_t direction, uint32_t ms);
    // Code 14 with the rates given, the auxiliary rates kept.
    bool sendTrackingRates(double ra, double dec);
    bool freshStatus();
    void followPending(const OrvStatus& s);
    void releasedByOrv();
    void publishStatus(const OrvStatus& s);
    OrvDate dateOf(const OrvStatus& s) const { return {s.year, s.month, s.day, s.ut}; }
    int realMs(double orvMs) const;   // Orv's milliseconds in real ones (a scaled simulator)

    std::unique_ptr<OrvConnection> connection_;
    std::optional<OrvStatus> last_;
    Pending pending_;
    uint8_t nsHeld_ = 0, weHeld_ = 0;   // paddle direction bits held through TELESCOPE_MOTION_*
    int speed_ = 0;                     // 0 guide, 1 set, 2 slew
    int renewTimer_ = -1;
    int guideTimerNS_ = -1, guideTimerWE_ = -1;
    double rememberedRateRA_ = 15.041, rememberedRateDec_ = 0;   // tracking rates to restore

    ISwitch SlewRateSw_[3]{};
    INumber StatusN_[8]{};
    INumberVectorProperty StatusNP_{};
};

}  // namespace orv::indi
