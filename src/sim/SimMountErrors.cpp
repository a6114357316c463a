#include "sim/SimMountErrors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "astro/AstroConstants.h"
#include "astro/AstroLib.h"
#include "astro/TextFormats.h"

namespace orv {

namespace {

using astro::ArcsecPerDeg;
using astro::ArcsecPerHour;
using astro::DegToRad;

// Three passes of axes = optical + corrections(optical) from optical = axes
// leave an error of the order of (term / radian)^3 times the term: nothing.
constexpr int InversionPasses = 4;

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '#') {
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        auto sep = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n'; };
        if (sep(text[i])) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < text.size() && !sep(text[i]) && text[i] != '#') ++i;
        words.push_back(text.substr(start, i - start));
    }
    return words;
}

double CosOnSky(double dec) { return std::cos(std::min(std::fabs(dec), astro::DecClamp) * DegToRad); }

}  // namespace

std::optional<std::string> ParseMountErrors(std::string_view text, SimMountErrors& errors) {
    SimMountErrors e = errors;
    for (std::string_view word : Words(text)) {
        const size_t eq = word.find('=');
        const std::string key(word.substr(0, eq));
        double v = 0;
        if (eq == std::string_view::npos || !ParseReal(word.substr(eq + 1), v) || !std::isfinite(v))
            return "bad word '" + std::string(word) + "' (expected P1=..., ..., P9=..., scatter=..., seed=...)";
        if (key.size() == 2 && (key[0] == 'P' || key[0] == 'p') && key[1] >= '1' && key[1] <= '9') {
            e.terms[static_cast<size_t>(key[1] - '0')] = v;
        } else if (key == "scatter") {
            if (v < 0) return "scatter must not be negative";
            e.scatterArcsec = v;
        } else if (key == "seed") {
            if (v < 0 || v > 4294967295.0 || v != std::floor(v)) return "seed must be a whole number 0..4294967295";
            e.seed = static_cast<uint32_t>(v);
        } else {
            return "unknown error '" + key + "' (expected P1..P9, scatter, seed)";
        }
    }
    errors = e;
    return std::nullopt;
}

std::string FormatMountErrors(const SimMountErrors& e) {
    std::string out;
    for (size_t t = 1; t <= 9; ++t) out += "P" + std::to_string(t) + "=" + FormatGeneral(e.terms[t]) + " ";
    out += "scatter=" + FormatGeneral(e.scatterArcsec) + " seed=" + std::to_string(e.seed);
    return out;
}

MountErrorModel::MountErrorModel(const SimMountErrors& errors, double latitude)
    : errors_(errors), latitude_(latitude) {
    perfect_ = errors.scatterArcsec == 0 &&
               std::all_of(errors.terms.begin() + 1, errors.terms.end(), [](double t) { return t == 0; });
    // Waves of 2 to 5 periods around the sky in each coordinate: smooth, but
    // finer than any term of the model, so a fit cannot take them up. Random
    // phases make their sum's mean square the sum of theirs: each amplitude is
    // the scatter times sqrt(2 / Waves).
    std::mt19937 rng(errors.seed);
    std::uniform_int_distribution<int> k(2, 5);
    std::uniform_real_distribution<double> phase(0, astro::TwoPi);
    const double amplitude = errors.scatterArcsec * std::sqrt(2.0 / Waves);
    for (auto& axis : waves_)
        for (Wave& w : axis) w = {static_cast<double>(k(rng)), static_cast<double>(k(rng)), phase(rng), amplitude};
}

std::array<double, 2> MountErrorModel::scatter(SkyPlace p) const {
    std::array<double, 2> out{};
    if (errors_.scatterArcsec == 0) return out;
    const double H = p.ha * astro::DegPerHour * DegToRad, d = p.dec * DegToRad;
    for (size_t axis = 0; axis < 2; ++axis)
        for (const Wave& w : waves_[axis]) out[axis] += w.amplitude * std::cos(w.kHA * H + w.kDec * d + w.phase);
    return out;
}

SkyPlace MountErrorModel::opticalAxis(SkyPlace axes) const {
    if (perfect_) return axes;
    astro::AstroContext c;
    c.Latitude = latitude_;
    c.SinLatitude = std::sin(latitude_ * DegToRad);
    c.CosLatitude = std::cos(latitude_ * DegToRad);
    c.RefractionScale = 0;
    c.PointingTerm = errors_.terms;
    c.PointingTerm[0] = 0;
    SkyPlace optical = axes;
    for (int pass = 0; pass < InversionPasses; ++pass) {
        const astro::Corrections k = astro::PointingCorrections(optical.ha, optical.dec, c);
        const auto s = scatter(optical);
        optical.ha = axes.ha - k.HACorrection - s[0] / (ArcsecPerHour * CosOnSky(optical.dec));
        optical.dec = axes.dec - k.DecCorrection - s[1] / ArcsecPerDeg;
    }
    return optical;
}

}  // namespace orv
