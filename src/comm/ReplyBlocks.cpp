#include "comm/ReplyBlocks.h"

#include "astro/AstroLib.h"
#include "control/System.h"
#include "control/SystemAstro.h"

namespace orv {

std::vector<ReplyValue> PositionBlockValues(const TelescopeState& s) {
    return {{s.HA, 6}, {s.RA, 6}, {s.Dec, 6}, {s.Epoch, 6}, {s.AirMass, 6}, {s.LST, 6}, {s.UT, 6}, {s.Year, 6}};
}

std::vector<ReplyValue> TargetBlockValues(const TelescopeState& s) {
    return {{s.NextRA, 6}, {s.NextDec, 6}, {s.RA, 6}, {s.Dec, 6}, {s.HA, 6}};
}

std::vector<ReplyValue> FullBlockValues(const System& system) {
    const auto& s = system.state;
    // One reading of the target's hour angle and declination for the block and
    // for the air mass and zenith distance computed from them.
    const double nextHA = s.NextHA, nextDec = s.NextDec;
    const auto ctx = AstroContextOf(system);
    return {{s.HA, 6}, {s.RA, 6}, {s.Dec, 6}, {s.Epoch, 2},
            {s.AirMass, 4}, {s.ZenithDistance, 4}, {s.DomeAzimuthRad, 1},
            {s.ReportedFocus, 0}, {nextHA, 6}, {s.NextRA, 6}, {nextDec, 6},
            {s.NextEpoch, 2}, {astro::AirMassAt(nextHA, nextDec, ctx), 4},
            {astro::ZenithDistanceAt(nextHA, nextDec, ctx), 4}};
}

}  // namespace orv
