#pragma once
// Numbers in Orv's packets: '.' as decimal point whatever the locale.

#include <charconv>
#include <string>

namespace orv::indi {

inline std::string Fixed(double x, int decimals) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, decimals);
    return std::string(buffer, r.ptr);
}

}  // namespace orv::indi
