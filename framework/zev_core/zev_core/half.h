// The 16-bit float (IEEE 754 binary16) of the framework, whole in zev_core:
// the conversion tables and the slow narrowing path are in HalfTables.cpp,
// rounding to fewer significand bits in HalfRound.cpp. The image runtime
// re-exports it as image_runtime/images/half.h.
//
// Narrowing is nearest-value with exact ties rounded away from zero, on the
// table-driven fast path and on the slow path alike; overflow gives an
// infinity and NaNs stay NaNs, both with the float's sign. A float that
// compares equal to zero narrows to +0.
#pragma once

#include <cstddef>

#include "zev_core/Export.h"

namespace ZEV {

/// A plain value: two bytes, the bit pattern and nothing else. Narrowing a
/// float rounds to nearest, exact ties away from zero; overflow gives an
/// infinity and NaNs stay NaNs, both with the float's sign; a float equal to
/// zero gives +0, and other floats below 2^-25 in magnitude a zero of their
/// sign.
class ZEV_API half {
public:
    /// The bits of a float, as the conversion tables hold them.
    union uif {
        unsigned int i;
        float f;
    };

    /// Uninitialised, like a float; value-initialise (half{}) for +0.
    half() = default;
    /// Narrows f; implicit, so a float converts silently.
    half(float f) { setFromFloat(f); }

    /// Exact: every half is a float, NaN payloads included.
    operator float() const { return toFloat(h_).f; }

    half& operator=(const half&) = default;
    /// Narrows f as the constructor does.
    half& operator=(float f) {
        setFromFloat(f);
        return *this;
    }

    /// Computes in float and narrows the result once.
    ///@{
    half& operator+=(half h) { return *this = float(*this) + float(h); }
    half& operator+=(float f) { return *this = float(*this) + f; }
    half& operator-=(half h) { return *this = float(*this) - float(h); }
    half& operator-=(float f) { return *this = float(*this) - f; }
    half& operator*=(half h) { return *this = float(*this) * float(h); }
    half& operator*=(float f) { return *this = float(*this) * f; }
    half& operator/=(half h) { return *this = float(*this) / float(h); }
    half& operator/=(float f) { return *this = float(*this) / f; }
    ///@}

    /// Flips the sign bit only, so NaNs and zeros change sign too.
    half operator-() const { return fromBits(static_cast<unsigned short>(h_ ^ 0x8000)); }

    /// Keeps n of the ten significand bits, rounding to nearest (ties away
    /// from zero); n of 10 or more returns the value unchanged. A rounding
    /// that would reach infinity truncates instead, and so does every NaN:
    /// one whose payload lies wholly in the dropped bits becomes an infinity.
    half round(unsigned int n) const;

    /// Classify the bit pattern; zeros count as neither normalised nor
    /// denormalised, and isNegative reads the sign bit alone (true for -0).
    ///@{
    bool isFinite() const { return exponentField() < 31; }
    bool isNormalized() const { return exponentField() > 0 && exponentField() < 31; }
    bool isDenormalized() const { return exponentField() == 0 && significand() != 0; }
    bool isZero() const { return (h_ & 0x7fff) == 0; }
    bool isNan() const { return exponentField() == 31 && significand() != 0; }
    bool isInfinity() const { return exponentField() == 31 && significand() == 0; }
    bool isNegative() const { return (h_ & 0x8000) != 0; }
    ///@}

    /// Special values by bit pattern: 0x7c00, 0xfc00, 0x7fff and 0x7dff.
    ///@{
    static half posInf() { return fromBits(0x7c00); }
    static half negInf() { return fromBits(0xfc00); }
    static half qNan() { return fromBits(0x7fff); }
    static half sNan() { return fromBits(0x7dff); }
    ///@}

    /// The raw pattern, read or written without conversion.
    ///@{
    unsigned short bits() const { return h_; }
    void setBits(unsigned short bits) { h_ = bits; }
    ///@}

private:
    static half fromBits(unsigned short bits) {
        half h;
        h.h_ = bits;
        return h;
    }

    unsigned int exponentField() const { return (h_ >> 10) & 0x1f; }
    unsigned int significand() const { return h_ & 0x3ff; }

    // The fast path is eLut's; off it, overflow to infinity and the
    // denormalised halves are handled inline too, since pixel data meets
    // them (a black that is not quite zero, an unclamped highlight). Zeros
    // have no eLut entry, so testing for them only off the fast path gives
    // the same result with fewer instructions on the common case. What is
    // left (NaNs, floats too small even for a denormalised half) goes to
    // convert(). The fast path is marked as expected: without that, the
    // inline branches cost a buffer of ordinary values 7 % of its speed.
    void setFromFloat(float f) {
        uif x;
        x.f = f;
        const unsigned short e = eLut(x.i >> 23);
        if (__builtin_expect(e != 0, 1)) {
            h_ = static_cast<unsigned short>(e + (((x.i & 0x007fffff) + 0x00001000) >> 13));
            return;
        }
        const unsigned int magnitude = x.i & 0x7fffffff;
        const unsigned int sign = (x.i >> 16) & 0x8000;
        if (magnitude - 0x477ff000u <= 0x7f800000u - 0x477ff000u) {
            h_ = static_cast<unsigned short>(sign | 0x7c00);
        } else if (magnitude - 0x33000000u < 0x38800000u - 0x33000000u) {
            // A multiple of 2^-24: the significand with its hidden bit,
            // shifted so that its units are 2^-24, half a unit added first.
            const unsigned int shift = 126 - (magnitude >> 23);
            h_ = static_cast<unsigned short>(
                sign | (((magnitude & 0x007fffff) + 0x00800000 + (1u << (shift - 1))) >> shift));
        } else if (f == 0.0f) {
            h_ = 0;
        } else {
            h_ = static_cast<unsigned short>(convert(static_cast<int>(x.i)));
        }
    }

    // The tables are plain data in zev_core, read inline so that a
    // conversion costs one load rather than a call into another library.
    static unsigned short eLut(size_t i) { return eLutTable_.entry[i]; }
    static short convert(int i);
    static uif toFloat(size_t h) { return toFloatTable_.entry[h]; }

    struct ELutTable {
        unsigned short entry[512];
    };
    struct ToFloatTable {
        uif entry[65536];
    };
    static const ELutTable eLutTable_;
    static const ToFloatTable toFloatTable_;

    unsigned short h_;
};

static_assert(sizeof(half) == 2, "half is its bit pattern and nothing else");

}  // namespace ZEV
