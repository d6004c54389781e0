// The platform layer's monotonic clock.
#include "zev_ogl/Platform.h"

#include <gtest/gtest.h>

namespace ZEV::Platform {
namespace {

// The monotonic clock counts nanoseconds; its tick count is the same clock
// in milliseconds (modulo 2^32). Substitution itself is every shader test's.
TEST(Platform, MonotonicClockCountsNanosecondsAndTicksMilliseconds) {
    ClockSource& clock = monotonicClock();
    int64_t frequency = 0, first = 0, second = 0;
    ASSERT_TRUE(clock.performanceFrequency(&frequency) && clock.performanceCounter(&first));
    const uint32_t ticks = clock.tickCount();
    ASSERT_TRUE(clock.performanceCounter(&second));
    EXPECT_EQ(frequency, 1000000000);
    const auto firstMs = static_cast<uint32_t>(first / 1000000);
    EXPECT_LE(uint32_t(ticks - firstMs), uint32_t(second / 1000000 - first / 1000000));
    setClockSource(nullptr);
    EXPECT_EQ(&clockSource(), &clock);
}

}  // namespace
}  // namespace ZEV::Platform
