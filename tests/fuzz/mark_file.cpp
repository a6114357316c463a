// Mark files (".mrk") as an operator might bring them from anywhere. Findings:
// entries that a save and a new load do not give back (the save must keep
// every description and coordinate as it was read).

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "config/MarkTable.h"

using orv::fuzz::Require;

namespace {

bool SameReal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (a == b) return true;
    // Reals are stored with 15 significant digits.
    return std::fabs(a - b) <= 1e-14 * std::fmax(std::fabs(a), std::fabs(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string dir = orv::fuzz::ScratchDirectory();
    const std::string in = dir + "/in.mrk", out = dir + "/out.mrk";
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));

    orv::MarkTable first;
    first.LoadMarkFile(in);
    // The save keeps the file's other sections: it starts from the file read.
    std::ofstream(out, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    Require(!first.SaveMarkFile(out), "a mark file could not be saved");
    orv::MarkTable second;
    Require(!second.LoadMarkFile(out), "a saved mark file does not load");

    const auto a = first.entries(), b = second.entries();
    for (size_t i = 0; i < a.size(); ++i) {
        // A description read from a file holds no line feed (it would have ended
        // the line), so each one comes back whole, carriage returns and all.
        Require(b[i].description == a[i].description, "a description changed on saving");
        Require(SameReal(a[i].RA, b[i].RA) && SameReal(a[i].Dec, b[i].Dec) && SameReal(a[i].Epoch, b[i].Epoch),
                "coordinates changed on saving");
    }
    return 0;
}
