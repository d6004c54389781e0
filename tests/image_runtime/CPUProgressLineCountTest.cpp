// The line count of a job from bounds far outside the int range or NaN: each
// bound truncates toward zero, clamped to the int range, and so does the
// count (the sanitized build traps the undefined conversions this replaced).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "image_runtime/CPUProgressCallback.h"

namespace ZEV {
namespace {

TEST(CPUProgressLineCount, ExtremeBoundsClampInsteadOfOverflowing) {
    const float nan = std::nanf("");
    const struct {
        float top, bottom;
        int lines;
    } cases[] = {{10.7f, 30.2f, 20},
                 {-2e9f, 2e9f, INT_MAX},
                 {0.0f, 1e20f, INT_MAX},
                 {1e20f, -1e20f, INT_MIN},
                 {nan, 10.5f, 10},
                 {-5.0f, nan, 5},
                 {-INFINITY, INFINITY, INT_MAX}};
    for (const auto& c : cases) {
        float bounds[4] = {0.0f, 0.0f, c.top, c.bottom};
        CPUProgressCallbackIntermediary job{};
        int status = 0, linesPerStep = -1;
        _ZEV_initialNumberOfLines(bounds, &job, &status, &linesPerStep);
        EXPECT_EQ(job.totalLines, c.lines) << c.top << " .. " << c.bottom;
        EXPECT_EQ(linesPerStep, c.lines);
    }
}

}  // namespace
}  // namespace ZEV
