#pragma once
// Orv's extended status ('#60;') as the INDI driver reads it, and the other
// replies of the added codes.

#include <cstdint>
#include <optional>
#include <string>

namespace orv::indi {

struct OrvStatus {
    double apparentRA = 0, apparentDec = 0;   // place of date, hours and degrees
    double meanRA = 0, meanDec = 0, epoch = 0;   // the displayed place and its equinox
    double hourAngle = 0, siderealTime = 0;   // hours
    int year = 0, month = 0, day = 0;         // date and UT of the coordinates
    double ut = 0;
    double focus = 0;                         // focus units
    double domeAzimuth = 0, domeHome = 0;     // degrees
    int shutter = 0;                          // tcpx::Shutter*
    bool tracking = false;
    double activeRateRA = 0, activeRateDec = 0;
    double trackRateRA = 0, trackRateDec = 0, auxRateRA = 0, auxRateDec = 0;
    double guideRate = 0, setRate = 0;        // arcsec/s
    double latitude = 0, longitudeWest = 0;   // degrees
    bool pierEast = false;
    bool interlockOpen = false, cloudDetected = false;
    bool inhibitNorth = false, inhibitSouth = false, inhibitEast = false, inhibitWest = false;
    int stateCode = 0;
    int held = 0;
    uint32_t stopGeneration = 0;
    uint32_t flags1 = 0, flags2 = 0, flags3 = 0;
    bool slewInProgress = false;
    int paddleByte = 0;
    double timeScale = 1;

    bool slewing() const;            // SLEWING shown (a slew, or the paddle at slew speed)
    bool targetOutOfRange() const;   // the last target loaded is beyond the zenith limit
    bool limitWarning() const;       // APPROACHING LIMITS
    bool focusMoving() const;
    bool domeInPosition() const;
    bool domeControlOn() const;      // automatic dome control on
    bool domeTracking() const;       // dome mode TRACK (else HOME)
    // Nothing waits for the state machine and it is idle: every command sent was taken and done.
    bool idle() const { return stateCode == 0 && held == 0; }
    // The geographic longitude INDI uses: degrees east, 0 ... 360.
    double longitudeEast() const;
};

// The '#60,...;' packet; nothing when it is not one (wrong code, too few values,
// a value that is not a number).
std::optional<OrvStatus> ParseOrvStatus(const std::string& packet);

// The byte of a '#61,b;', '#62,b;' or '#63,b;' reply for `code`.
std::optional<int> ParsePaddleReply(const std::string& packet, int code);

}  // namespace orv::indi
