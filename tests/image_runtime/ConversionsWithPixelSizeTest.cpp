// Pixel/world conversions: the far edge in 64 bits, the order of the argument
// checks and their messages, the int range, extreme pixel sizes, and a
// randomised cover/minimality check.
#include <gmock/gmock.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>

#include "image_runtime/ConversionsWithPixelSize.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

using testing::StrEq, testing::ThrowsMessage;

BoundingRect world(float minX, float minY, float maxX, float maxY) {
    return BoundingRect(float2(minX, minY), float2(maxX, maxY));
}

IntegerRect pixels(int i, int j, size_t w, size_t h) {
    return IntegerRect(int2(i, j), size2(w, h));
}

// Empty rectangles map to no pixels whatever the pixel size; then the
// infinite plane, a zero pixel size (before the coordinates are looked at)
// and pixel coordinates outside the int range are refused, in that order.
TEST(ConversionsWithPixelSize, WorldToPixelChecksEmptinessInfinityPixelSizeThenTheIntRange) {
    EXPECT_EQ(worldToPixelSpace(BoundingRect(), float2(0, 0)), pixels(0, 0, 0, 0));
    EXPECT_EQ(worldToPixelSpace(world(5, 5, 5, 9), float2(kNan, 0)), pixels(0, 0, 0, 0));
    const std::string zero = "Can't convert to IntegerRect with PixelSize == 0";
    const std::string at = "Can't convert to IntegerRect: pixel coordinate ",
                      fit = " does not fit in int";
    // Out of range past its ends, through small pixel sizes, or with no edge.
    const std::tuple<BoundingRect, float2, std::string> refused[] = {
        {BoundingRect::infinitePlane(), float2(0, 0),
         "Can't convert infinitePlane to IntegerRect."},
        {world(-kInf, 0, 1, 1), float2(0, 1), zero},
        {world(-kInf, 0, 1, 1), float2(1, -0.0f), zero},
        {world(0, 3e9f, 1, 4e9f), float2(1, 1), at + "3e+09" + fit},
        {world(0, 0, 2147483648.0f, 1), float2(1, 1), at + "2.14748e+09" + fit},
        {world(0, -1, 1, 2147483648.0f), float2(1, 1), at + "2.14748e+09" + fit},
        {world(-2147483904.0f, 0, 0, 1), float2(1, 1), at + "-2.14748e+09" + fit},
        {world(0, 0, 1, 1), float2(1e-10f, 1), at + "1e+10" + fit},
        {world(-kInf, 0, 1, 1), float2(1, 1), at + "-inf" + fit},
        {world(0, 0, 1, kInf), float2(1, 1), at + "inf" + fit},
        {world(0, 0, 1, 1), float2(1, kNan), at + "nan" + fit}};
    for (const auto& [rect, pixelSize, message] : refused)
        EXPECT_THAT(([&r = rect, &p = pixelSize] { worldToPixelSpace(r, p); }),
                    ThrowsMessage<ParameterException>(StrEq(message)))
            << rect << pixelSize;
}

// Pixel sizes are taken as they are (zero collapses, negative does not swap,
// infinite maps to pixel 0), and far edges and extents stay exact in 64 bits.
TEST(ConversionsWithPixelSize, ExtremePixelSizesAndExtentsInBothDirections) {
    EXPECT_EQ(pixelToWorldSpace(pixels(2, 3, 4, 5), float2(0, -1)), world(0, -3, 0, -8));
    EXPECT_EQ(pixelToWorldSpace(pixels(INT_MAX, INT_MAX, 10, 1), float2(1, 1)),
              world(0x1p31f, 0x1p31f, 0x1p31f, 0x1p31f));
    EXPECT_EQ(pixelToWorldSpace(pixels(-5, -8, size_t{1} << 40, 3), float2(1, 1)),
              world(-5, -8, 0x1p40f, -5));
    EXPECT_EQ(worldToPixelSpace(world(0, 0, 2, 2), float2(-1, 1)),
              pixels(0, 0, static_cast<size_t>(-2), 2));
    EXPECT_EQ(worldToPixelSpace(world(-7, 1, 9, 2), float2(kInf, 1)), pixels(0, 1, 0, 1));
    // Division would put 1.3 just under pixel 13 and give offset 12, size 9.
    ASSERT_LT(1.3f / 0.1f, 13.0f);
    EXPECT_EQ(worldToPixelSpace(world(1.3f, 0, 2.1f, 1), float2(0.1f, 0.1f)), pixels(13, 0, 8, 10));
    EXPECT_EQ(worldToPixelSpace(world(-2147483648.0f, 0, 2147483520.0f, 1), float2(1, 1)),
              pixels(INT_MIN, 0, (size_t(1) << 32) - 128, 1));
}

// Whether pixels [first, end) of one axis cover [minimum, maximum] with no
// pixel to spare, judged on the exact quotients, give or take the few float
// ulps the reciprocal multiplication may move them.
bool coversMinimally(double minimum, double maximum, double pixelSize, double first, double end) {
    const double lo = minimum / pixelSize, hi = maximum / pixelSize;
    const double loSlack = 4.0 * std::ldexp(std::fabs(lo), -24) + 1e-30;
    const double hiSlack = 4.0 * std::ldexp(std::fabs(hi), -24) + 1e-30;
    return first <= lo + loSlack && end >= hi - hiSlack && first + 1 > lo - loSlack &&
           end - 1 < hi + hiSlack;
}

TEST(ConversionsWithPixelSize, RandomWorldRectanglesAreCoveredMinimally) {
    std::mt19937 random(20240607);
    std::uniform_real_distribution<float> logPixelSize(-3.0f, 3.0f);
    std::uniform_real_distribution<float> coordinate(-1e5f, 1e5f);
    std::uniform_real_distribution<float> logExtent(-4.0f, 5.0f);
    for (int n = 0; n < 20000; ++n) {
        const float2 pixelSize(std::pow(10.0f, logPixelSize(random)),
                               std::pow(10.0f, logPixelSize(random)));
        const float2 minimum(coordinate(random), coordinate(random));
        // Extents below the float spacing at minimum become one-ulp slivers.
        const float2 maximum(std::max(minimum.x + std::pow(10.0f, logExtent(random)),
                                      std::nextafter(minimum.x, kInf)),
                             std::max(minimum.y + std::pow(10.0f, logExtent(random)),
                                      std::nextafter(minimum.y, kInf)));
        const BoundingRect rect(minimum, maximum);
        const IntegerRect covering = worldToPixelSpace(rect, pixelSize);
        const double i = covering.offset().i, j = covering.offset().j;
        ASSERT_TRUE(coversMinimally(minimum.x, maximum.x, pixelSize.x, i,
                                    i + static_cast<double>(covering.size().i)) &&
                    coversMinimally(minimum.y, maximum.y, pixelSize.y, j,
                                    j + static_cast<double>(covering.size().j)))
            << rect << " at " << pixelSize << " gives " << covering;
    }

    // Where the arithmetic is exact (power-of-two pixel sizes, edges on pixel
    // boundaries) the result is exact too: boundary edges add no pixel.
    std::uniform_int_distribution<int> exponent(-6, 6);
    std::uniform_int_distribution<int> index(-100000, 100000);
    std::uniform_int_distribution<int> count(1, 1000);
    for (int n = 0; n < 2000; ++n) {
        const float2 pixelSize(std::ldexp(1.0f, exponent(random)),
                               std::ldexp(1.0f, exponent(random)));
        const int i = index(random), j = index(random), w = count(random), h = count(random);
        const BoundingRect rect(float2(i * pixelSize.x, j * pixelSize.y),
                                float2((i + w) * pixelSize.x, (j + h) * pixelSize.y));
        ASSERT_EQ(worldToPixelSpace(rect, pixelSize), pixels(i, j, w, h)) << rect;
        ASSERT_EQ(pixelToWorldSpace(pixels(i, j, w, h), pixelSize), rect);
    }
}

}  // namespace
}  // namespace ZEV
