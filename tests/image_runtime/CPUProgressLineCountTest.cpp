// Line counts from bounds beyond the int range or NaN clamp to the int range
// (the sanitized build traps the undefined conversions this replaced).
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "image_runtime/CPUProgressCallback.h"

TEST(CPUProgressLineCount, ExtremeBoundsClampInsteadOfOverflowing) {
    const float nan = std::nanf("");
    const struct {
        float top, bottom;
        int lines;
    } cases[] = {{10.7f, 30.2f, 20},       {-2e9f, 2e9f, INT_MAX}, {0.0f, 1e20f, INT_MAX},
                 {1e20f, -1e20f, INT_MIN}, {nan, 10.5f, 10},       {-5.0f, nan, 5}};
    for (const auto& c : cases) {
        float bounds[4] = {0.0f, 0.0f, c.top, c.bottom};
        ZEV::CPUProgressCallbackIntermediary job{};
        int status = 0, linesPerStep = -1;
        ZEV::_ZEV_initialNumberOfLines(bounds, &job, &status, &linesPerStep);
        EXPECT_EQ(job.totalLines, c.lines) << c.top << " .. " << c.bottom;
    }
}
