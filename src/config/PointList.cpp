#include "config/PointList.h"

#include <algorithm>

#include "config/PatFile.h"

namespace orv {

bool PointList::add(const PointRecord& p, std::optional<PointConditions> conditions) {
    if (count_ >= Capacity) return false;
    conditions_[static_cast<size_t>(count_)] = std::move(conditions);
    points_[static_cast<size_t>(count_++)] = p;
    changed_ = true;
    return true;
}

bool PointList::remove(int index) {
    if (index < 0 || index >= count_) return false;
    std::move(points_.begin() + index + 1, points_.begin() + count_, points_.begin() + index);
    std::move(conditions_.begin() + index + 1, conditions_.begin() + count_, conditions_.begin() + index);
    conditions_[static_cast<size_t>(count_ - 1)].reset();
    points_[static_cast<size_t>(--count_)] = PointRecord{};
    if (count_ == 0) changed_ = false;
    return true;
}

std::optional<std::string> PointList::save(const std::string& path) {
    if (auto error = WritePatFile(path, points())) return error;
    changed_ = false;
    return std::nullopt;
}

}  // namespace orv
