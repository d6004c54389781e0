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
    EXPECT_EQ(currentGLContext(), nullptr);
}

TEST(Platform, ClockCanBeSubstitutedAndRestored) {
    struct Fixed : ClockSource {
        bool performanceFrequency(int64_t* f) override {
            *f = 0;
            return false;
        }
        bool performanceCounter(int64_t*) override { return false; }
        uint32_t tickCount() override { return 4294967295u; }
    } fixed;
    setClockSource(&fixed);
    EXPECT_EQ(&clockSource(), &fixed);
    EXPECT_EQ(clockSource().tickCount(), 4294967295u);
    setClockSource(nullptr);
    EXPECT_EQ(&clockSource(), &monotonicClock());

    int64_t frequency = 0, first = 0, second = 0;
    ASSERT_TRUE(clockSource().performanceFrequency(&frequency));
    EXPECT_GT(frequency, 0);
    ASSERT_TRUE(clockSource().performanceCounter(&first));
    ASSERT_TRUE(clockSource().performanceCounter(&second));
    EXPECT_GE(second, first);
}

}  // namespace
}  // namespace ZEV::Platform
