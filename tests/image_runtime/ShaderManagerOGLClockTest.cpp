// The manager's clock over the real monotonic clock: the counter is chosen at
// the first reading, kept for the process, and a failed reading falls back
// to the tick count once. Its own program: the choice is made once per process.
#include <chrono>
#include <cstdint>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "support/ShaderTestSupport.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV::Test {
namespace {

// Passes every call on to the monotonic clock and counts it.
class CountingClock : public Platform::ClockSource {
public:
    int frequencyCalls = 0;
    int counterCalls = 0;
    int tickCalls = 0;
    bool failNextCounter = false;

    bool performanceFrequency(int64_t* frequency) override {
        ++frequencyCalls;
        return Platform::monotonicClock().performanceFrequency(frequency);
    }
    bool performanceCounter(int64_t* count) override {
        ++counterCalls;
        if (failNextCounter) {
            failNextCounter = false;
            return false;
        }
        return Platform::monotonicClock().performanceCounter(count);
    }
    uint32_t tickCount() override {
        ++tickCalls;
        return Platform::monotonicClock().tickCount();
    }
};

class ShaderManagerOGLClockTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        Platform::setClockSource(&clock);
        RuntimeSetup::createShaderManager();
    }
    void TearDown() override {
        RuntimeSetup::destroyShaderManager();
        Platform::setClockSource(nullptr);
        GLTest::TearDown();
    }
    CountingClock clock;
};

TEST_F(ShaderManagerOGLClockTest, TheRealClockReadsItsCounterInSeconds) {
    ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    ShaderProgramProxyOGL proxy;
    for (int lock = 0; lock < 4; ++lock) proxy.LockOglProgram();
    EXPECT_EQ(1, clock.frequencyCalls);
    EXPECT_EQ(4, clock.counterCalls);
    EXPECT_EQ(0, clock.tickCalls);

    clock.failNextCounter = true;
    proxy.LockOglProgram();
    proxy.LockOglProgram();
    EXPECT_EQ(1, clock.frequencyCalls);
    EXPECT_EQ(6, clock.counterCalls);
    EXPECT_EQ(1, clock.tickCalls);
    proxy.UnlockOglProgram();

    // A program registered without a lock is stamped at the origin of the
    // monotonic clock, so its age is the clock's reading in seconds.
    const double now =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    ASSERT_GT(now, 1.0);
    ShaderProgramProxyOGL origin, young, old;
    manager.RegisterShaderProgram(&origin);
    manager.SetMaxNumShaders(0);
    manager.GetShaderThreshold(1000);
    manager.SetMaxShaderAge(now * 2.0 + 10.0);
    lockAndUnlock(young);
    EXPECT_EQ(3u, manager.GetNumShaders()) << "nothing is that old";
    manager.SetMaxShaderAge(now / 2.0);
    old.LockOglProgram();
    EXPECT_EQ(3u, manager.GetNumShaders()) << "only the origin-stamped program is old";
}

}  // namespace
}  // namespace ZEV::Test
