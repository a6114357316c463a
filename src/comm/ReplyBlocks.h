#pragma once
// The values of the query replies that the ExCom and TCP/IP channels share:
// the position (25), target (28) and full (29) blocks, each value with the
// decimals it is written with. Each channel writes them in its own form.
// Values are read from the shared state without locks.

#include <vector>

namespace orv {

class System;
struct TelescopeState;

struct ReplyValue {
    double x;
    int decimals;
};

// HA, RA, Dec, Epoch, AirMass, LST, UT, Year.
std::vector<ReplyValue> PositionBlockValues(const TelescopeState& s);
// NextRA, NextDec, RA, Dec, HA.
std::vector<ReplyValue> TargetBlockValues(const TelescopeState& s);
// HA, RA, Dec, Epoch, AirMass, ZenithDistance, DomeAzimuthRad, ReportedFocus,
// NextHA, NextRA, NextDec, NextEpoch, and the air mass and zenith distance at
// (NextHA, NextDec).
std::vector<ReplyValue> FullBlockValues(const System& system);

}  // namespace orv
