// The platform layer: current-context query and the substitutable clock.
#include "zev_ogl/Platform.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "zev_ogl/Context.h"

namespace ZEV::Platform {
namespace {

TEST(Platform, CurrentContextFollowsMakeCurrentAndRelease) {
    OGL::releaseCurrentContext();
    EXPECT_EQ(currentGLContext(), nullptr);
    ZEV::Test::callerContext().makeCurrent();
    void* caller = currentGLContext();
    EXPECT_NE(caller, nullptr);
    ZEV::Test::poolContext().makeCurrent();
    EXPECT_NE(currentGLContext(), caller);
    OGL::releaseCurrentContext();
}

TEST(Platform, ClockCanBeSubstitutedAndRestored) {
    struct Fixed : ClockSource {
        bool performanceFrequency(int64_t*) override { return false; }
        bool performanceCounter(int64_t*) override { return false; }
        uint32_t tickCount() override { return 4294967295u; }
    } fixed;
    setClockSource(&fixed);
    EXPECT_EQ(clockSource().tickCount(), 4294967295u);
    setClockSource(nullptr);
    EXPECT_EQ(&clockSource(), &monotonicClock());
    int64_t frequency = 0, first = 0, second = 0;
    ASSERT_TRUE(clockSource().performanceFrequency(&frequency));
    EXPECT_EQ(frequency, 1000000000);
    ASSERT_TRUE(clockSource().performanceCounter(&first));
    const uint32_t ticks = clockSource().tickCount();
    ASSERT_TRUE(clockSource().performanceCounter(&second));
    EXPECT_LE(first, second);
    // Milliseconds of the same clock, read between the two counts (modulo 2^32).
    const auto firstMs = static_cast<uint32_t>(first / 1000000);
    EXPECT_LE(uint32_t(ticks - firstMs), uint32_t(second / 1000000 - first / 1000000));
}

}  // namespace
}  // namespace ZEV::Platform
