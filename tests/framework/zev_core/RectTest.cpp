// Rectangles: emptiness, the half-open contains(), the region operations
// through the base, measures and printing.
#include "zev_core/Rect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <sstream>

namespace ZEV {
namespace {

BoundingRect rect(float x0, float y0, float x1, float y1) {
    return BoundingRect(float2(x0, y0), float2(x1, y1));
}

TEST(Rect, EmptinessNeedsAreaInBothAxes) {
    const std::pair<BoundingRect, bool> cases[] = {
        {BoundingRect(), true},     {rect(0, 0, 1, 1), false},
        {rect(0, 0, 1, 0), true},   {rect(0, 0, 0, 1), true},
        {rect(2, 0, 1, 1), true},   {rect(NAN, 0, 1, 1), true},
        {rect(0, 0, 1, NAN), true}, {BoundingRect::infinitePlane(), false}};
    for (const auto& [r, empty] : cases)
        EXPECT_EQ(static_cast<const BoundingRegionBase&>(r).isEmpty(), empty) << r;
    EXPECT_TRUE(BoundingRect::infinitePlane().isInfinite());
    EXPECT_FALSE(rect(-1e30f, -1e30f, 1e30f, 1e30f).isInfinite());
}

TEST(Rect, ContainsTheMinimumEdgesButNotTheMaximumEdges) {
    const BoundingRect r = rect(0, 0, 2, 1);
    for (const float2 inside : {float2(0, 0), float2(1.999f, 0.999f)})
        EXPECT_TRUE(r.contains(inside)) << inside;
    for (const float2 outside :
         {float2(2, 0.5f), float2(1, 1), float2(-0.001f, 0.5f), float2(1, -0.001f)})
        EXPECT_FALSE(r.contains(outside)) << outside;
}

TEST(Rect, RegionOperationsThroughTheBase) {
    using Operation = std::function<void(BoundingRegionBase&)>;
    const struct {
        BoundingRect start;
        Operation operation;
        BoundingRect result;
    } cases[] = {
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
    for (const auto& c : cases) {
        std::unique_ptr<BoundingRegionBase> region(c.start.clone());
        c.operation(*region);
        EXPECT_EQ(region->boundingBox(), c.result) << "from " << c.start;
        EXPECT_EQ(region->representation(), BoundingRegionBase::REPRESENTATION_RECT);
    }
}

TEST(Rect, MeasuresAndPrinting) {
    const BoundingRect r = rect(-1, 2, 3, 3);
    EXPECT_TRUE(r.width() == 4 && r.height() == 1 && r.area() == 4);
    EXPECT_TRUE(r.center().x == 1 && r.center().y == 2.5f);
    EXPECT_EQ(rect(2, 0, 1, 5).area(), 0.0f);
    std::ostringstream out;
    out << IntegerRect(int2(-10, 20), size2(640, 480)) << " " << r;
    EXPECT_EQ(out.str(), "(-10, 20) 640 x 480 (-1, 2) - (3, 3)");
}

}  // namespace
}  // namespace ZEV
