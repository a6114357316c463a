#include "controllers/KAVPortBits.h"

#include <algorithm>

namespace orv {

namespace {
constexpr int MaxValue = (1 << KAVPortBits::Bits) - 1;
}

IntegerSpinSettings KAVPortBits::ValueSpin() { return IntegerSpinSettings{0, MaxValue, 1}; }

void KAVPortBits::KAVBitListClickCheck(int bit, bool checked) {
    if (bit < 0 || bit >= Bits) return;
    if (checked) value_ |= 1 << bit;
    else value_ &= ~(1 << bit);
}

void KAVPortBits::KAVIOValueSpinChange(int value) { value_ = std::clamp(value, 0, MaxValue); }

std::string KAVPortBits::hex() const {
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[value_ >> 4], digits[value_ & 15]};
}

}  // namespace orv
