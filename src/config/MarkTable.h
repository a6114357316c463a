#pragma once
// The 500-entry mark table of saved sky positions.

#include <array>
#include <mutex>
#include <string>

namespace orv {

struct TMarkEntry {
    std::string description;
    double RA = 0;     // hours
    double Dec = 0;    // degrees
    double Epoch = 0;  // years, 0 = none given
};

class MarkTable {
public:
    static constexpr int Capacity = 500;

    TMarkEntry entry(int index) const {
        std::lock_guard lock(mutex_);
        return entries_.at(static_cast<size_t>(index));
    }
    void setEntry(int index, const TMarkEntry& e) {
        std::lock_guard lock(mutex_);
        entries_.at(static_cast<size_t>(index)) = e;
    }

private:
    mutable std::mutex mutex_;
    std::array<TMarkEntry, Capacity> entries_{};
};

}  // namespace orv
