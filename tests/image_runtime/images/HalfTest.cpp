// half: exact widening, classification and rounding of every pattern, and
// the arithmetic. BulkConversionTest narrows every float, per value too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image_runtime/images/half.h"

namespace ZEV {
namespace {

half halfFromBits(unsigned short bits) {
    half h;
    h.setBits(bits);
    return h;
}

// The value of a finite half pattern, from the binary16 definition.
double halfValue(unsigned int bits) {
    const int exponent = (bits >> 10) & 0x1f;
    const int significand = bits & 0x3ff;
    const double magnitude = exponent == 0 ? std::ldexp(significand, -24)
                                           : std::ldexp(1024 + significand, exponent - 25);
    return (bits & 0x8000) ? -magnitude : magnitude;
}

// Every pattern widens exactly, is classified like its float and narrows back
// to itself. Every finite one rounds to the nearer of the two neighbours with
// zeros in the dropped bits (the larger one on a tie), unless the larger one
// would be infinite; 10 bits and more keep every bit.
TEST(Half, EveryPatternWidensClassifiesRoundsAndNarrowsBackToItself) {
    EXPECT_TRUE(halfFromBits(0x7e00).round(9).isNan());
    const float smallestNormal = std::ldexp(1.0f, -14);
    for (unsigned int bits = 0; bits < 0x10000; ++bits) {
        const half h = halfFromBits(static_cast<unsigned short>(bits));
        const float f = h;
        const float magnitude = std::fabs(f);
        if (((bits >> 10) & 0x1f) == 31) {
            // Infinities stay infinities and NaNs keep sign and payload.
            uint32_t got;
            std::memcpy(&got, &f, sizeof got);
            ASSERT_EQ(got, ((bits & 0x8000u) << 16) | 0x7f800000u | ((bits & 0x3ffu) << 13))
                << std::hex << bits;
        } else {
            ASSERT_EQ(static_cast<double>(f), halfValue(bits)) << std::hex << bits;
            for (unsigned int n = 0; n <= 11; ++n) {
                const unsigned int step = 1u << (10 - std::min(n, 10u));
                const unsigned int below = (bits & 0x7fff) / step * step;
                const unsigned int above = below + step;
                unsigned int expected = below;
                if (below != (bits & 0x7fff) && above < 0x7c00 &&
                    halfValue(above) - magnitude <= magnitude - halfValue(below))
                    expected = above;
                ASSERT_EQ(h.round(n).bits(), (bits & 0x8000) | expected)
                    << std::hex << bits << " n=" << n;
            }
        }
        ASSERT_TRUE(h.isFinite() == std::isfinite(f) && h.isNan() == std::isnan(f) &&
                    h.isInfinity() == std::isinf(f) && h.isZero() == (f == 0.0f) &&
                    h.isNegative() == ((bits & 0x8000) != 0) &&
                    h.isNormalized() == (std::isfinite(f) && magnitude >= smallestNormal) &&
                    h.isDenormalized() == (magnitude > 0.0f && magnitude < smallestNormal))
            << "classification of " << std::hex << bits;
        // Every zero narrows to +0, so -0 alone does not come back.
        ASSERT_EQ(half(f).bits(), bits == 0x8000 ? 0u : bits) << std::hex << bits;
    }
}

TEST(Half, ArithmeticRoundsOnceToFloatAndOnceToHalfAndNamedPatterns) {
    half h(1.0f);
    h += std::ldexp(1.0f, -11);  // exactly half-way: away from zero
    EXPECT_EQ(h.bits(), 0x3c01);
    h = 3.0f;
    h -= half(5.0f);
    h -= 0.5f;
    h *= half(2.0f);
    h *= -0.25f;
    h /= half(0.5f);
    EXPECT_EQ(static_cast<float>(h), 2.5f);
    h /= 3.0f;  // 2.5 / 3 in float, then to the nearest half
    EXPECT_EQ(h.bits(), 0x3aab);
    EXPECT_EQ(
        (std::vector<unsigned int>{half::posInf().bits(), half::negInf().bits(),
                                   half::qNan().bits(), half::sNan().bits(), (-half(0.0f)).bits(),
                                   (-half::qNan()).bits(), (-half::negInf()).bits()}),
        (std::vector<unsigned int>{0x7c00, 0xfc00, 0x7fff, 0x7dff, 0x8000, 0xffff, 0x7c00}));
}

}  // namespace
}  // namespace ZEV
