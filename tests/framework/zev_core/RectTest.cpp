// Rectangles: emptiness, the infinite plane, regions through the base, printing.
#include "zev_core/Rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

namespace ZEV {
namespace {

TEST(Rect, EmptinessNeedsAreaInBothAxes) {
    EXPECT_TRUE(BoundingRect().isEmpty());
    EXPECT_FALSE(BoundingRect(float2(0, 0), float2(1, 1)).isEmpty());
    EXPECT_TRUE(BoundingRect(float2(0, 0), float2(1, 0)).isEmpty());
    EXPECT_TRUE(BoundingRect(float2(0, 0), float2(0, 1)).isEmpty());
    EXPECT_TRUE(BoundingRect(float2(2, 0), float2(1, 1)).isEmpty());
    EXPECT_TRUE(BoundingRect(float2(NAN, 0), float2(1, 1)).isEmpty());
    EXPECT_FALSE(BoundingRect::infinitePlane().isEmpty());

    const BoundingRegionBase& region = BoundingRect(float2(-1, -1), float2(-1, 5));
    EXPECT_TRUE(region.isEmpty());
}

TEST(Rect, InfinitePlaneEqualsOnlyItself) {
    EXPECT_TRUE(BoundingRect::infinitePlane() == BoundingRect::infinitePlane());
    EXPECT_TRUE(BoundingRect::infinitePlane().isInfinite());
    EXPECT_FALSE(BoundingRect(float2(-1e30f), float2(1e30f)) == BoundingRect::infinitePlane());
    EXPECT_TRUE(BoundingRect(float2(1, 2), float2(3, 4)) ==
                BoundingRect(float2(1, 2), float2(3, 4)));
}

TEST(Rect, RegionOperationsThroughTheBase) {
    std::unique_ptr<BoundingRegionBase> region(BoundingRect(float2(0, 0), float2(4, 2)).clone());
    region->outset(float2(1, 1));
    EXPECT_TRUE(region->boundingBox() == BoundingRect(float2(-1, -1), float2(5, 3)));
    region->inset(float2(2, 1));
    EXPECT_TRUE(region->boundingBox() == BoundingRect(float2(1, 0), float2(3, 2)));
    EXPECT_EQ(region->representation(), BoundingRegionBase::REPRESENTATION_RECT);
    EXPECT_FLOAT_EQ(region->area(), 4.0f);

    BoundingRect a(float2(0, 0), float2(2, 2));
    a.intersect(BoundingRect(float2(3, 3), float2(4, 4)));
    EXPECT_TRUE(a.isEmpty());
    a.unite(BoundingRect(float2(1, 1), float2(2, 3)));
    EXPECT_TRUE(a == BoundingRect(float2(1, 1), float2(2, 3)));
}

TEST(Rect, IntegerRectAndPrinting) {
    const IntegerRect empty;
    EXPECT_EQ(empty.offset().i, 0);
    EXPECT_EQ(empty.size().j, 0u);
    const IntegerRect r(int2(-10, 20), size2(640, 480));
    std::ostringstream out;
    out << r << " " << float2(0.5f, -2.0f);
    EXPECT_EQ(out.str(), "(-10, 20) 640 x 480 (0.5, -2)");
}

}  // namespace
}  // namespace ZEV
