// The state data file WinOrv.DAT as a careless editor might leave it. Whatever
// the bytes, the load ends and every parameter is a finite value within its
// range, so no scale is zero and the clocks run.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "config/StateDataFile.h"

using orv::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orv::Parameters p;
    orv::SetStateDefaults(p);
    std::string failed;
    const auto source = orv::StateDataFromText(std::string(reinterpret_cast<const char*>(data), size), "WinOrv.DAT");
    orv::ApplyStateData(source, "WinOrv.DAT", p, failed);
    orv::DeriveStateValues(p);

    for (double v : {p.Latitude.load(), p.Longitude.load(), p.RefractionScale.load(), p.PointingTerm1.load(),
                     p.PointingTerm2.load(), p.PointingTerm3.load(), p.PointingTerm4.load(), p.PointingTerm5.load(),
                     p.PointingTerm6.load(), p.PointingTerm7.load(), p.PointingTerm8.load(), p.PointingTerm9.load(),
                     p.DomeHomeAzimuth.load(), p.ZenithLimit.load(), p.DomeSlitHalfWidth.load(),
                     p.Reserved26.load(), p.Reserved27.load(), p.Reserved28.load(), p.Reserved29.load(),
                     p.SinLatitude.load(), p.CosLatitude.load()})
        Require(std::isfinite(v), "a parameter is not finite");
    Require(std::fabs(p.Latitude) <= 90, "latitude beyond the pole");
    Require(p.ZenithLimit >= 0 && p.ZenithLimit <= 180, "zenith limit out of 0..180");
    for (double scale : {p.RAStepSize.load(), p.DecStepSize.load(), p.DomeCountScale.load(), p.HAScale.load(),
                         p.DecScale.load(), p.DomeRadius.load(), p.FocusCountScale.load()})
        Require(std::isfinite(scale) && scale > 0, "a scale is not positive");
    Require(p.UTTicksPerHour >= 72000 && p.UTTicksPerHour <= 7200000, "UT clock rate out of range");
    Require(p.SidTicksPerHour > 0, "sidereal clock stands still");
    return 0;
}
