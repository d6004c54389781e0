// The manager's clock where the counter reports no frequency: the tick count
// serves for the whole process, read as an unsigned 32-bit millisecond count.
// Its own program: the choice is made once per process.
#include "support/ShaderTestSupport.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV::Test {
namespace {

class TickOnlyClock : public Platform::ClockSource {
public:
    uint32_t ticks = 0;
    int counterCalls = 0;
    bool performanceFrequency(int64_t* frequency) override {
        *frequency = 0;
        return true;
    }
    bool performanceCounter(int64_t* count) override {
        ++counterCalls;
        *count = 0;
        return true;
    }
    uint32_t tickCount() override { return ticks; }
};

TEST(ShaderManagerOGLTickClockTest, TicksServeWhenTheCounterHasNoFrequency) {
    callerContext().makeCurrent();
    TickOnlyClock clock;
    Platform::setClockSource(&clock);
    RuntimeSetup::createShaderManager();
    ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    manager.SetMaxNumShaders(0);
    manager.GetShaderThreshold(1000);
    {
        ShaderProgramProxyOGL proxy, first, second, third;
        // Ten seconds either side of 2^31 ms: twenty seconds apart, unless
        // the count were read as signed.
        clock.ticks = 0x7FFFFFFFu - 9999u;
        lockAndUnlock(proxy);
        clock.ticks = 0x80000000u + 9999u;
        first.LockOglProgram();
        EXPECT_EQ(2u, manager.GetNumShaders());
        clock.ticks += 40001u;
        second.LockOglProgram();
        EXPECT_EQ(2u, manager.GetNumShaders()) << "sixty seconds after the lock";
        third.LockOglProgram();
        EXPECT_EQ(0, clock.counterCalls);
    }
    RuntimeSetup::destroyShaderManager();
    Platform::setClockSource(nullptr);
}

}  // namespace
}  // namespace ZEV::Test
