#pragma once
// The parameters of the site, pointing model, drives, encoders, dome and clock,
// in their held units (after the conversions applied when the state data file is
// read). Fixed after start-up except the pointing terms, the refraction scale and
// the two axis scales, which the set-mount-parameters command replaces under
// ParameterLock; all fields are atomic so unlocked readers stay well defined.

#include <atomic>

namespace orv {

using SharedDouble = std::atomic<double>;

struct Parameters {
    SharedDouble Latitude{40.0};            // degrees, north positive
    SharedDouble Longitude{7.0};            // hours, west positive
    SharedDouble RefractionScale{0.9};
    SharedDouble PointingTerm1{0}, PointingTerm2{0};   // arcseconds
    SharedDouble PointingTerm3{0}, PointingTerm4{0};   // seconds of time
    SharedDouble PointingTerm5{0};                     // seconds of time
    SharedDouble PointingTerm6{0};                     // degrees
    SharedDouble PointingTerm7{0};                     // arcseconds
    SharedDouble PointingTerm8{0};                     // degrees
    SharedDouble PointingTerm9{0};                     // arcseconds
    SharedDouble DomeHomeAzimuth{4.71238898038469};    // radians (270 degrees)
    SharedDouble ZenithLimit{74.9};                    // degrees of zenith distance
    SharedDouble RAStepSize{0.10756564};               // arcseconds per drive step
    SharedDouble DecStepSize{0.10756564};
    SharedDouble DomeCountScale{0.00000342};           // radians per dome count
    SharedDouble HAScale{1.062566 / 15.0 / 3600.0};    // hours per RA count
    SharedDouble DecScale{1.0125 / 3600.0};            // degrees per Dec count
    SharedDouble UTTicksPerHour{720000.0};             // UT clock ticks per hour
    SharedDouble DomeSlitHalfWidth{12.0};              // length unit of DomeRadius
    SharedDouble DomeRadius{96.0};
    SharedDouble DomeStartThreshold{0.04363323129985824};  // radians (2.5 degrees)
    SharedDouble DomeStopThreshold{0.017453292519943295};  // radians (1.0 degree)
    SharedDouble FocusCountScale{1.0};                 // focus units per count
    SharedDouble Reserved26{0}, Reserved27{0}, Reserved28{2129.0}, Reserved29{2350.0};

    // No source sets the rotator scale, so code 4 always presets the fourth counter to 0.
    SharedDouble RotatorCountScale{0};

    // Derived after loading.
    SharedDouble SinLatitude{0}, CosLatitude{0};
    SharedDouble SidTicksPerHour{0};                   // UTTicksPerHour / 1.00273790935
};

}  // namespace orv
