#pragma once
// The pointing points the operator collects for fitting the pointing model, and
// the point file (".pat") they are saved to.
//
// Point file: for each point five lines (next RA, next Dec, telescope RA, Dec,
// HA), then one empty line; every line ends in CR LF; each number in fixed
// notation with 6 decimals and "." , blanks in front so that the part before
// the decimal point, sign included, is at least 4 characters wide ("  12.500000").
// No header, no count; an empty list gives an empty file.
//
// The list is kept and changed on the user-interface thread only.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orv {

// One point; RA and HA in hours, declinations in degrees.
struct PointRecord {
    double NextRA = 0, NextDec = 0;
    double RA = 0, Dec = 0, HA = 0;
    bool operator==(const PointRecord&) const = default;
};

// The fixed-width number format of the point file.
inline constexpr int PatFieldWidth = 4;
inline constexpr int PatDecimals = 6;

// The text of a point file holding `points`, in list order.
std::string PatFileText(const std::vector<PointRecord>& points);

class PointList {
public:
    static constexpr int Capacity = 100;

    int count() const { return count_; }
    const PointRecord& point(int index) const { return points_.at(static_cast<size_t>(index)); }
    std::vector<PointRecord> points() const { return {points_.begin(), points_.begin() + count_}; }

    // Appends the point and sets PointsChanged; false (nothing changed) when
    // the list already holds 100.
    bool add(const PointRecord& p);
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
    int count_ = 0;
    bool changed_ = false;
};

}  // namespace orv
