// The manager's clock over the real monotonic clock: the counter is chosen at
// the first reading, kept for the process, and a failed reading falls back
// to the tick count once. Its own program: the choice is made once per process.
#include <chrono>
#include <cstdint>

#include "support/ShaderTestSupport.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV::Test {
namespace {

// Passes every call on to the monotonic clock and counts it.
class CountingClock : public Platform::ClockSource {
public:
    int calls[3] = {};  // frequency, counter, tick count
    bool failNextCounter = false;

    bool performanceFrequency(int64_t* frequency) override {
        ++calls[0];
        return Platform::monotonicClock().performanceFrequency(frequency);
    }
    bool performanceCounter(int64_t* count) override {
        ++calls[1];
        const bool fail = failNextCounter;
        failNextCounter = false;
        return !fail && Platform::monotonicClock().performanceCounter(count);
    }
    uint32_t tickCount() override {
        ++calls[2];
        return Platform::monotonicClock().tickCount();
    }
};

TEST(ShaderManagerOGLClockTest, TheRealClockReadsItsCounterInSeconds) {
    callerContext().makeCurrent();
    CountingClock clock;
    Platform::setClockSource(&clock);
    RuntimeSetup::createShaderManager();
    ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    {
        ShaderProgramProxyOGL proxy;
        for (int lock = 0; lock < 4; ++lock) proxy.LockOglProgram();
        EXPECT_EQ((std::vector<int>(clock.calls, clock.calls + 3)), (std::vector<int>{1, 4, 0}));
        clock.failNextCounter = true;
        proxy.LockOglProgram();
        proxy.LockOglProgram();
        EXPECT_EQ((std::vector<int>(clock.calls, clock.calls + 3)), (std::vector<int>{1, 6, 1}));
        proxy.UnlockOglProgram();

        // A program registered without a lock is stamped at the origin of the
        // monotonic clock, so its age is the clock's reading in seconds.
        const double now =
            std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                .count();
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
    RuntimeSetup::destroyShaderManager();
    Platform::setClockSource(nullptr);
}

}  // namespace
}  // namespace ZEV::Test
