#pragma once
// The KAV I/O page's three views of the output byte kept in step: the bit list
// (bit i checked exactly when bit i of the value is set), the value spin
// (0 ... 255) and the hex field (two upper-case hexadecimal digits).

#include <array>
#include <string>

#include "controllers/IntegerSpinModel.h"

namespace orv {

class KAVPortBits {
public:
    static constexpr int Bits = 8;

    // KAVIOValueSpin: 0 ... 255.
    static IntegerSpinSettings ValueSpin();

    // A box of the bit list was checked or unchecked: the value is the sum of
    // 2^i over the checked bits i.
    void KAVBitListClickCheck(int bit, bool checked);
    // The spin changed: each bit's box follows the value (clamped to 0 ... 255).
    void KAVIOValueSpinChange(int value);

    int value() const { return value_; }
    bool checked(int bit) const { return bit >= 0 && bit < Bits && (value_ >> bit & 1) != 0; }
    // HexDis: "00" ... "FF".
    std::string hex() const;

private:
    int value_ = 0;
};

}  // namespace orv
