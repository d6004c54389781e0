// The out-of-line operations of half: rounding the significand to fewer bits.
#include "zev_core/half.h"

namespace ZEV {

half half::round(unsigned int n) const {
    if (n >= 10) return *this;

    const unsigned short sign = h_ & 0x8000;
    unsigned short magnitude = h_ & 0x7fff;
    const unsigned int dropped = 10 - n;

    // Shift so that the highest dropped bit is the lowest one left, add it,
    // and shift back: round to nearest with ties away from zero. A carry out
    // of the significand moves into the exponent.
    magnitude = static_cast<unsigned short>(magnitude >> (dropped - 1));
    magnitude = static_cast<unsigned short>(magnitude + (magnitude & 1));
    magnitude = static_cast<unsigned short>(magnitude << (dropped - 1));

    // Never round a finite value up to infinity; truncate instead. The
    // truncated pattern still carries the sign bit, so the OR below is exact.
    if (magnitude >= 0x7c00) magnitude = static_cast<unsigned short>((h_ >> dropped) << dropped);

    return fromBits(static_cast<unsigned short>(sign | magnitude));
}

}  // namespace ZEV
