#pragma once
// The pointing points the operator collects for fitting the pointing model, up
// to 100, saved as a point file (PatFile.h).
//
// The list is kept and changed on the user-interface thread only.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "astro/PointReduction.h"

namespace orv {

// One point: the next object's RA and Dec, the telescope's RA, Dec and HA.
using PointRecord = astro::PointPlaces;

// What the point file leaves out and a fit of the points needs, kept beside each
// point while it is in the list: the night's date and the equinoxes of its two
// places, and the pointing terms in force when it was taken (the fit measures the
// change from those).
struct PointConditions {
    astro::PointFrame frame;
    astro::PointingTerms terms{};
};

class PointList {
public:
    static constexpr int Capacity = 100;

    int count() const { return count_; }
    const PointRecord& point(int index) const { return points_.at(static_cast<size_t>(index)); }
    std::vector<PointRecord> points() const { return {points_.begin(), points_.begin() + count_}; }
    // The conditions the point at `index` was taken under; nullopt for a point
    // added without them.
    const std::optional<PointConditions>& conditions(int index) const {
        return conditions_.at(static_cast<size_t>(index));
    }

    // Appends the point (and its conditions) and sets PointsChanged; false
    // (nothing changed) when the list already holds 100.
    bool add(const PointRecord& p, std::optional<PointConditions> conditions = std::nullopt);
    // Removes the point at index (0-based), the later ones moving up; clears
    // PointsChanged when the list becomes empty. False outside the list.
    bool remove(int index);

    // Unsaved points: set by taking one, cleared by a save and by a deletion
    // that empties the list.
    bool PointsChanged() const { return changed_; }

    // Writes the list to `path` (replacing it whole) and clears PointsChanged.
    // On failure returns why; the list, PointsChanged and the old file stay.
    std::optional<std::string> save(const std::string& path);

private:
    std::array<PointRecord, Capacity> points_{};
    std::array<std::optional<PointConditions>, Capacity> conditions_{};
    int count_ = 0;
    bool changed_ = false;
};

}  // namespace orv
