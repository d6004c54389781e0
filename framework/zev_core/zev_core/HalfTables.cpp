// The conversion tables of half and its slow narrowing path. The tables are
// computed by the compiler, so they sit in read-only data with no start-up
// work and no file behind them.
#include "zev_core/half.h"

namespace ZEV {

namespace {

// Sign and exponent bits of the half for each sign and float exponent whose
// floats narrow to a normalised half (or, by the carry of a rounded-up
// significand, to the infinity above 65504); 0 sends the float to convert().
template <class Table>
constexpr Table makeELut() {
    Table table{};
    for (unsigned int i = 0; i < 512; ++i) {
        const unsigned int sign = (i >> 8) & 1;
        const int exponent = static_cast<int>(i & 0xff);
        if (exponent > 112 && exponent < 143)
            table.entry[i] = static_cast<unsigned short>((sign << 15) | ((exponent - 112) << 10));
    }
    return table;
}

// The float bit pattern equal to every half pattern. NaN payloads move to the
// top of the float significand so that narrowing gives them back unchanged.
template <class Table>
constexpr Table makeToFloat() {
    Table table{};
    for (unsigned int h = 0; h < 65536; ++h) {
        const unsigned int sign = (h & 0x8000) << 16;
        int exponent = static_cast<int>((h >> 10) & 0x1f);
        unsigned int significand = h & 0x3ff;
        unsigned int bits = 0;
        if (exponent == 31) {
            bits = sign | 0x7f800000 | (significand << 13);
        } else if (exponent == 0 && significand == 0) {
            bits = sign;
        } else {
            if (exponent == 0) {
                // Denormalised: shift the leading one into the hidden bit.
                exponent = 1;
                while ((significand & 0x400) == 0) {
                    significand <<= 1;
                    --exponent;
                }
                significand &= 0x3ff;
            }
            bits = sign | (static_cast<unsigned int>(exponent + 112) << 23) | (significand << 13);
        }
        table.entry[h].i = bits;
    }
    return table;
}

}  // namespace

const half::ELutTable half::eLutTable_ = makeELut<half::ELutTable>();
const half::ToFloatTable half::toFloatTable_ = makeToFloat<half::ToFloatTable>();

short half::convert(int i) {
    const auto bits = static_cast<unsigned int>(i);
    const unsigned int sign = (bits >> 16) & 0x8000;
    const int exponent = static_cast<int>((bits >> 23) & 0xff);
    unsigned int significand = bits & 0x007fffff;

    if (exponent == 0xff) {
        if (significand == 0) return static_cast<short>(sign | 0x7c00);
        // Keep the top of the payload; one that lies entirely in the dropped
        // bits would read as infinity, so it becomes the quiet NaN instead.
        unsigned int payload = significand >> 13;
        if (payload == 0) payload = 0x200;
        return static_cast<short>(sign | 0x7c00 | payload);
    }

    const int halfExponent = exponent - 127 + 15;
    if (halfExponent >= 31) return static_cast<short>(sign | 0x7c00);

    if (halfExponent <= 0) {
        // The result is a multiple of 2^-24: shift the full significand so
        // that its units are 2^-24, adding half a unit first to round ties up
        // in magnitude. Rounding up may reach the smallest normalised half,
        // which the plain addition encodes correctly.
        if (exponent != 0) significand |= 0x00800000;
        const int effectiveExponent = exponent == 0 ? 1 : exponent;
        const int shift = 126 - effectiveExponent;
        if (shift > 24) return static_cast<short>(sign);
        significand = (significand + (1u << (shift - 1))) >> shift;
        return static_cast<short>(sign | significand);
    }

    // Normalised; a significand that rounds up to 0x400 carries into the
    // exponent, and from exponent 30 on into infinity.
    return static_cast<short>(sign + ((static_cast<unsigned int>(halfExponent) << 10) +
                                      ((significand + 0x00001000) >> 13)));
}

}  // namespace ZEV
