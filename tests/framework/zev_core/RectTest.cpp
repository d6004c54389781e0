// Rectangles: emptiness, the half-open contains(), measures and printing, and
// the region operations through the base.
#include "zev_core/Rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <tuple>

namespace ZEV {
namespace {

BoundingRect rect(float x0, float y0, float x1, float y1) {
    return BoundingRect(float2(x0, y0), float2(x1, y1));
}

// Emptiness needs area in both axes, NaN corners count as empty, and empty
// rectangles measure 0; contains() takes the minimum edges but not the maximum.
TEST(Rect, QueriesMeasuresAndPrinting) {
    const std::pair<BoundingRect, bool> emptiness[] = {
        {BoundingRect(), true},     {rect(0, 0, 1, 1), false},
        {rect(0, 0, 1, 0), true},   {rect(0, 0, 0, 1), true},
        {rect(2, 0, 1, 1), true},   {rect(NAN, 0, 1, 1), true},
        {rect(0, 0, 1, NAN), true}, {BoundingRect::infinitePlane(), false}};
    for (const auto& [r, empty] : emptiness)
        EXPECT_EQ(static_cast<const BoundingRegionBase&>(r).isEmpty(), empty) << r;
    EXPECT_TRUE(BoundingRect::infinitePlane().isInfinite() &&
                !rect(-1e30f, -1e30f, 1e30f, 1e30f).isInfinite());
    const BoundingRect r = rect(-1, 2, 3, 3);
    const std::pair<float2, bool> points[] = {
        {float2(-1, 2), true}, {float2(2.999f, 2.999f), true}, {float2(3, 2.5f), false},
        {float2(1, 3), false}, {float2(-1.001f, 2.5f), false}, {float2(1, 1.999f), false}};
    for (const auto& [point, inside] : points) EXPECT_EQ(r.contains(point), inside) << point;
    EXPECT_TRUE(r.width() == 4 && r.height() == 1 && r.area() == 4);
    EXPECT_TRUE(r.center().x == 1 && r.center().y == 2.5f);
    EXPECT_EQ(rect(2, 0, 1, 5).area(), 0.0f);
    EXPECT_EQ(testing::PrintToString(r), "(-1, 2) - (3, 3)");
}

TEST(Rect, RegionOperationsThroughTheBase) {
    using Operation = std::function<void(BoundingRegionBase&)>;
    const std::tuple<BoundingRect, Operation, BoundingRect> cases[] = {
        {rect(0, 0, 4, 2), [](auto& g) { g.outset(float2(1, 1)); }, rect(-1, -1, 5, 3)},
        {rect(0, 0, 4, 2), [](auto& g) { g.inset(float2(2, 1)); }, rect(2, 1, 2, 1)},
        {rect(0, 0, 2, 2), [](auto& g) { g.intersect(rect(1, -1, 3, 1)); }, rect(1, 0, 2, 1)},
        // Disjoint: empty at the origin, not left with inverted corners.
        {rect(0, 0, 2, 2), [](auto& g) { g.intersect(rect(3, 3, 4, 4)); }, BoundingRect()},
        {rect(0, 0, 2, 2), [](auto& g) { g.unite(rect(1, 1, 2, 3)); }, rect(0, 0, 2, 3)},
        {rect(0, 0, 2, 2), [](auto& g) { g.unite(rect(5, 5, 5, 9)); }, rect(0, 0, 2, 2)},
        {rect(7, 7, 7, 8), [](auto& g) { g.unite(rect(1, 1, 2, 3)); }, rect(1, 1, 2, 3)},
        {rect(1, 2, 3, 4), [](auto& g) { g.translate(float2(1, -1)); }, rect(2, 1, 4, 3)},
        {rect(1, 2, 3, 4), [](auto& g) { g.scale(float2(2, 0.5f)); }, rect(2, 1, 6, 2)},
        {rect(1, 2, 3, 4), [](auto& g) { g.makeInfinite(); }, BoundingRect::infinitePlane()},
    };
    for (const auto& [start, operation, result] : cases) {
        std::unique_ptr<BoundingRegionBase> region(start.clone());
        operation(*region);
        EXPECT_EQ(region->boundingBox(), result) << "from " << start;
        EXPECT_EQ(region->representation(), BoundingRegionBase::REPRESENTATION_RECT);
    }
}

}  // namespace
}  // namespace ZEV
