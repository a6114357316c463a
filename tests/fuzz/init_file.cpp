// The initialisation file WinOrv.ini as an operator may have edited it. Findings
// besides the sanitizers': defaults that a save and a new read do not give back.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "config/InitFile.h"

using orv::fuzz::Require;

namespace {

bool Near(double a, double b, double absolute) {
    return a == b || std::fabs(a - b) <= absolute + 1e-14 * std::fmax(std::fabs(a), std::fabs(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orv::ProfileFile file = orv::ProfileFile::fromText(std::string(reinterpret_cast<const char*>(data), size));
    const orv::UserDefaults read = orv::ReadUserDefaults(file, orv::UserDefaults{});
    const orv::TimeUpdateSettings time = orv::ReadTimeUpdate(file, orv::TimeUpdateSettings{});

    // Saved into the same file and read again, everything comes back.
    orv::ProfileFile saved = file;
    orv::WriteUserDefaults(saved, read);
    orv::WriteFormGeometry(saved, read.Form);
    orv::WriteTimeUpdate(saved, time);
    const orv::ProfileFile again = orv::ProfileFile::fromText(saved.text());
    orv::UserDefaults back = orv::ReadUserDefaults(again, orv::UserDefaults{});
    const orv::TimeUpdateSettings timeBack = orv::ReadTimeUpdate(again, orv::TimeUpdateSettings{});

    Require(Near(back.GuideSpeed, read.GuideSpeed, 0) && Near(back.SetSpeed, read.SetSpeed, 0),
            "a paddle rate changed on saving");
    Require(Near(timeBack.IntervalHours, time.IntervalHours, 1.0 / 3600000) && timeBack.Enabled == time.Enabled,
            "the clock synchronisation changed on saving");
    back.GuideSpeed = read.GuideSpeed;
    back.SetSpeed = read.SetSpeed;
    Require(back == read, "a default changed on saving");
    return 0;
}
