#include "config/PointList.h"

#include <algorithm>
#include <sstream>

#include "astro/TextFormats.h"
#include "config/AtomicFile.h"

namespace orv {

std::string PatFileText(const std::vector<PointRecord>& points) {
    std::ostringstream out;
    for (const PointRecord& p : points) {
        for (double x : {p.NextRA, p.NextDec, p.RA, p.Dec, p.HA}) {
            WriteFloatField(out, x, PatFieldWidth, PatDecimals);
            WriteLineEnd(out);
        }
        WriteLineEnd(out);
    }
    return out.str();
}

bool PointList::add(const PointRecord& p) {
    if (count_ >= Capacity) return false;
    points_[static_cast<size_t>(count_++)] = p;
    changed_ = true;
    return true;
}

bool PointList::remove(int index) {
    if (index < 0 || index >= count_) return false;
    std::move(points_.begin() + index + 1, points_.begin() + count_, points_.begin() + index);
    points_[static_cast<size_t>(--count_)] = PointRecord{};
    if (count_ == 0) changed_ = false;
    return true;
}

std::optional<std::string> PointList::save(const std::string& path) {
    if (auto error = WriteFileAtomically(path, PatFileText(points()))) return error;
    changed_ = false;
    return std::nullopt;
}

}  // namespace orv
