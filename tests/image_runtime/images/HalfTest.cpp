// half: exact widening of every pattern, nearest-value narrowing of every
// float against a reference written from the definition of binary16, the
// classification queries, rounding and the arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "image_runtime/images/half.h"
#include "support/TestSupport.h"

namespace ZEV {
namespace {

uint32_t floatBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float floatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

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

// The half nearest to a finite, non-zero float, exact ties away from zero,
// magnitudes from 65520 on to infinity. Works in doubles on the value: the
// float is scaled so that one unit in the last place of the half binade it
// falls in becomes 1, and the scaled value is rounded to an integer. The
// binade comes from the float's exponent field, which keeps this fast enough
// to run on all four billion floats.
class NearestHalf {
public:
    NearestHalf() {
        for (int field = 0; field < 256; ++field)
            scale_[field] = std::ldexp(1.0, 10 - binade(field));
    }

    unsigned short operator()(float f) const {
        const double magnitude = std::fabs(static_cast<double>(f));
        const unsigned short sign = std::signbit(f) ? 0x8000 : 0;
        if (magnitude >= 65520.0) return sign | 0x7c00;
        const int field = (floatBits(f) >> 23) & 0xff;
        int exponent = binade(field);
        const double units = magnitude * scale_[field];
        auto rounded = static_cast<int64_t>(units);
        if (units - static_cast<double>(rounded) >= 0.5) ++rounded;
        if (exponent == -14 && rounded < 1024) return sign | static_cast<unsigned short>(rounded);
        if (rounded == 2048) {
            rounded = 1024;
            ++exponent;
        }
        return sign | static_cast<unsigned short>(((exponent + 15) << 10) | (rounded - 1024));
    }

private:
    // The exponent of the half binade a float with this exponent field lies
    // in; everything below the normal halves shares the denormal spacing.
    static int binade(int field) { return std::max(field - 127, -14); }

    double scale_[256];
};

TEST(Half, EveryPatternWidensExactlyClassifiesAndNarrowsBackToItself) {
    const float smallestNormal = std::ldexp(1.0f, -14);
    for (unsigned int bits = 0; bits < 0x10000; ++bits) {
        const half h = halfFromBits(static_cast<unsigned short>(bits));
        const float f = h;
        if (((bits >> 10) & 0x1f) == 31) {
            // Infinities stay infinities and NaNs keep sign and payload.
            const uint32_t expected =
                ((bits & 0x8000u) << 16) | 0x7f800000u | ((bits & 0x3ffu) << 13);
            ASSERT_EQ(floatBits(f), expected) << std::hex << bits;
        } else {
            ASSERT_EQ(static_cast<double>(f), halfValue(bits)) << std::hex << bits;
        }
        const float magnitude = std::fabs(f);
        ASSERT_TRUE(h.isFinite() == std::isfinite(f) && h.isNan() == std::isnan(f) &&
                    h.isInfinity() == std::isinf(f) && h.isZero() == (f == 0.0f) &&
                    h.isNegative() == ((bits & 0x8000) != 0) &&
                    h.isNormalized() == (std::isfinite(f) && magnitude >= smallestNormal) &&
                    h.isDenormalized() == (magnitude > 0.0f && magnitude < smallestNormal))
            << "classification of " << std::hex << bits;
        // Negative zero is the one pattern that does not come back: every
        // zero narrows to +0.
        ASSERT_EQ(half(f).bits(), bits == 0x8000 ? 0u : bits) << std::hex << bits;
    }
}

// Checks every stride-th float pattern from first on; returns the number of
// wrong results and records the first one.
uint64_t countNarrowingErrors(uint64_t first, uint64_t stride, uint32_t* firstWrong) {
    const NearestHalf nearestHalf;
    uint64_t errors = 0;
    for (uint64_t i = first; i < (uint64_t(1) << 32); i += stride) {
        const auto bits = static_cast<uint32_t>(i);
        const float f = floatFromBits(bits);
        const unsigned int got = half(f).bits();
        bool right;
        if (std::isnan(f)) {
            right = (got & 0x7c00) == 0x7c00 && (got & 0x3ff) != 0 &&
                    ((got & 0x8000) != 0) == ((bits & 0x80000000u) != 0);
        } else {
            right = got == (f == 0.0f ? 0u : nearestHalf(f));
        }
        if (!right && errors++ == 0) *firstWrong = bits;
    }
    return errors;
}

TEST(Half, EveryFloatNarrowsToTheNearestHalfWithTiesAwayFromZero) {
    const unsigned int threadCount = ZEV::Test::sweepThreadCount();
    std::vector<uint64_t> errors(threadCount, 0);
    std::vector<uint32_t> firstWrong(threadCount, 0);
    ZEV::Test::sweepEveryFloatPattern([&](unsigned int t, uint64_t first, uint64_t stride) {
        errors[t] = countNarrowingErrors(first, stride, &firstWrong[t]);
    });
    for (unsigned int t = 0; t < threadCount; ++t) {
        const float f = floatFromBits(firstWrong[t]);
        EXPECT_EQ(errors[t], 0u) << "first wrong float pattern 0x" << std::hex << firstWrong[t]
                                 << " narrows to 0x" << half(f).bits() << ", expected 0x"
                                 << NearestHalf()(f);
    }
}

TEST(Half, RoundKeepsTheNearestValueWithFewerSignificandBits) {
    EXPECT_EQ(halfFromBits(0x3c01).round(12).bits(), 0x3c01);  // 10 and more keep every bit
    EXPECT_EQ(halfFromBits(0x7bff).round(0).bits(), 0x7800);
    EXPECT_EQ(halfFromBits(0xfbff).round(0).bits(), 0xf800);
    EXPECT_TRUE(halfFromBits(0x7e00).round(9).isNan());

    // Every finite pattern and bit count: the result is the nearer of the
    // two neighbours with zeros in the dropped bits (the larger one on a
    // tie), unless the larger one would be infinite.
    for (unsigned int bits = 0; bits < 0x10000; ++bits) {
        if ((bits & 0x7c00) == 0x7c00) continue;
        const double value = std::fabs(halfValue(bits));
        for (unsigned int n = 0; n <= 10; ++n) {
            const unsigned int step = 1u << (10 - n);
            const unsigned int below = (bits & 0x7fff) / step * step;
            const unsigned int above = below + step;
            unsigned int expected = below;
            if (below != (bits & 0x7fff) && above < 0x7c00 &&
                halfValue(above) - value <= value - halfValue(below))
                expected = above;
            const unsigned int got =
                halfFromBits(static_cast<unsigned short>(bits)).round(n).bits();
            ASSERT_EQ(got, (bits & 0x8000) | expected) << std::hex << bits << " n=" << n;
        }
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
    const unsigned int patterns[] = {
        half::posInf().bits(), half::negInf().bits(),  half::qNan().bits(),     half::sNan().bits(),
        (-half(0.0f)).bits(),  (-half::qNan()).bits(), (-half::negInf()).bits()};
    EXPECT_EQ(std::vector<unsigned int>(std::begin(patterns), std::end(patterns)),
              (std::vector<unsigned int>{0x7c00, 0xfc00, 0x7fff, 0x7dff, 0x8000, 0xffff, 0x7c00}));
}

}  // namespace
}  // namespace ZEV
