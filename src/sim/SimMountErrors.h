#pragma once
// The mechanical errors of the simulated mount: where its optical axis really
// points when its axes stand at a given hour angle and declination.
//
// The errors are the nine terms of the pointing model (polar-axis elevation and
// azimuth, collimation, non-perpendicularity, the two periodic terms, tube
// flexure), in the model's units, plus an optional scatter: a smooth error over
// the sky that no term describes, the same at the same place every time, seeded.
// The mount's axes stand where the model says the counters read for a star at
// the optical axis: axes = optical + corrections(optical), with the corrections
// of the model (no refraction: that is the sky's, not the mount's). So a
// pointing model with the mount's own terms points it exactly.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "astro/PointingFit.h"

namespace orv {

struct SimMountErrors {
    astro::PointingTerms terms{};   // PointingTerm1..9 (index 0 unused)
    double scatterArcsec = 0;       // RMS on the sky of each axis' unmodelled error
    uint32_t seed = 1;
};

// Reads words "P1=120 P2=-90 P9=20 scatter=1.5 seed=7" (blanks, commas or line
// ends between them; "#" starts a comment to the line's end) over `errors`. The
// words not given keep their values. On a bad word returns its description and
// leaves `errors` unchanged.
std::optional<std::string> ParseMountErrors(std::string_view text, SimMountErrors& errors);

// The same words for all eleven values.
std::string FormatMountErrors(const SimMountErrors& errors);

// Hours and degrees.
struct SkyPlace {
    double ha;
    double dec;
};

class MountErrorModel {
public:
    MountErrorModel(const SimMountErrors& errors, double latitude);
    // The optical axis for the axes at `axes`; the axes themselves when every
    // error is 0.
    SkyPlace opticalAxis(SkyPlace axes) const;
    const SimMountErrors& errors() const { return errors_; }

private:
    // The scatter at a place: arcseconds on the sky, west (hour angle) and north.
    std::array<double, 2> scatter(SkyPlace p) const;

    static constexpr int Waves = 12;
    struct Wave {
        double kHA, kDec, phase, amplitude;
    };
    SimMountErrors errors_;
    double latitude_;
    bool perfect_;
    std::array<std::array<Wave, Waves>, 2> waves_{};
};

}  // namespace orv
