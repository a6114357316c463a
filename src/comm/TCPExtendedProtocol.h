#pragma once
// The codes added to the TCP/IP command protocol for clients such as the INDI
// driver, and the layout of their replies. A host that never sends these codes
// sees the channel exactly as before. Header only: clients include it without
// linking the server.
//
// Every added reply repeats its code as the first value ("#60,...;"), so a
// client can tell its answers apart.

#include <cstdint>

namespace orv::tcpx {

// The shutter, state code 36, as the dome (34) and focus (27) codes are
// reachable: '#36,1;' opens, '#36,0;' closes. No reply.
inline constexpr int ShutterCode = 36;
// '#60;' answers the extended status below.
inline constexpr int ExtendedStatusCode = 60;
// '#61,directions,speed;' presses the remote paddle (directions: the paddle
// byte's bits 4 north, 8 south, 16 east, 32 west, ORed; 0 releases; speed:
// PaddleGuide, PaddleSet or PaddleSlew). Answers '#61,byte;' with this
// client's paddle byte now in force.
inline constexpr int PaddlePressCode = 61;
// '#62;' keeps this client's press for another second. Answers '#62,byte;'
// (0: nothing is held any more; a stop or the dead man released it).
inline constexpr int PaddleRenewCode = 62;
// '#63,direction,ms;' moves in one direction at the guide rate for ms
// milliseconds (1 ... 10000). Answers '#63,byte;'.
inline constexpr int PulseGuideCode = 63;
// '#64;' stops the dome only (automatic dome control off); '#65;' stops a
// focus move only. Both act at once, also behind a busy state machine, and
// answer '#64;' / '#65;'.
inline constexpr int DomeStopCode = 64;
inline constexpr int FocusStopCode = 65;

inline constexpr int PaddleGuide = 0, PaddleSet = 1, PaddleSlew = 2;

// The remote paddle holds a press this long without renewal (ms of Orv's clock).
inline constexpr int PaddleHoldMs = 1000;

// Shutter states of the extended status.
inline constexpr int ShutterClosed = 0, ShutterOpening = 1, ShutterOpen = 2, ShutterClosing = 3,
                     ShutterUnknown = 4;

// The values of the '#60;' reply, in order. Angles in hours (RA, HA, time) or
// degrees; rates in arcseconds per second; flags 0 or 1.
enum ExtendedStatusField : int {
    FieldCode = 0,            // 60
    ApparentRA,               // place of date (true equator and equinox, aberration), hours
    ApparentDec,              // degrees
    MeanRA,                   // the displayed place: mean place of the display equinox, hours
    MeanDec,                  // degrees
    MeanEpoch,                // the display equinox, years
    HourAngle,                // hours, west positive
    SiderealTime,             // local apparent sidereal time, hours
    UTYear,                   // the date and UT of the coordinates above
    UTMonth,
    UTDay,
    UTHours,
    FocusReading,             // focus units (the Misc dialog's 1050 ... 3500)
    DomeAzimuth,              // degrees, 0 ... 360
    DomeHomeAzimuth,          // degrees: where the dome parks
    ShutterState,             // Shutter* above
    TrackingOn,               // tracking rates in force are not both 0
    ActiveTrackRateRA,        // the rates in force
    ActiveTrackRateDec,
    TrackRateRA,              // the main and auxiliary tracking rates (code 14's four)
    TrackRateDec,
    AuxTrackRateRA,
    AuxTrackRateDec,
    GuideRate,
    SetRate,
    Latitude,                 // degrees, north positive
    Longitude,                // degrees, west positive (as in WinOrv.DAT)
    PierSideEast,             // 1: the telescope works on the east side of the pier
    InterlockOpen,
    CloudDetected,
    InhibitNorth,
    InhibitSouth,
    InhibitEast,
    InhibitWest,
    StateCode,                // the command the state machine holds or runs, 0 idle
    HeldCommands,             // commands held for this client behind a busy state machine
    StopGeneration,           // moves at every stop; a held command older than a stop is discarded
    StatusWord1,              // the three status words of '#26;'
    StatusWord2,
    StatusWord3,
    SlewInProgress,           // a slew (code 12) is running
    ClientPaddleByte,         // this client's part of the paddle byte
    TimeScale,                // Orv's clock runs this many times real time (simulator; 1 on the telescope)
    FieldCount
};

}  // namespace orv::tcpx
