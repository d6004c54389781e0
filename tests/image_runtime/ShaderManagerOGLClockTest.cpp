// The manager's clock, chosen at its first reading and kept for the process:
// the counter, with the tick count standing in for a failed reading; or,
// where the counter reports no frequency, the tick count for good, read as an
// unsigned 32-bit millisecond count. Its own program, and each test needs a
// process of its own, as ctest runs them.
#include <utility>

#include "support/ShaderTestSupport.h"

namespace ZEV::Test {
namespace {

class ShaderManagerOGLClockTest : public ShaderTest {
protected:
    void SetUp() override {
        ShaderTest::SetUp();
        static bool chosen = false;
        if (std::exchange(chosen, true)) GTEST_SKIP() << "the clock was chosen in this process";
    }
};

TEST_F(ShaderManagerOGLClockTest, TheCounterServesWithTheTickCountForAFailedReading) {
    ShaderProgramProxyOGL proxy;
    for (int lock = 0; lock < 4; ++lock) proxy.LockOglProgram();
    EXPECT_EQ(clock.readings, (std::array<int, 3>{1, 4, 0}));
    clock.failNextCounter = true;
    proxy.LockOglProgram();
    proxy.LockOglProgram();
    EXPECT_EQ(clock.readings, (std::array<int, 3>{1, 6, 1}));
}

TEST_F(ShaderManagerOGLClockTest, TicksServeWhenTheCounterHasNoFrequency) {
    clock.hasCounter = false;
    manager().SetMaxNumShaders(0);
    manager().GetShaderThreshold(1000);
    ShaderProgramProxyOGL proxy, first, second, third;
    // Ten seconds either side of 2^31 ms: twenty seconds apart, unless the
    // count were read as signed.
    clock.count = int64_t{0x7FFFFFFF - 9999} * 1000000;
    proxy.LockOglProgram();
    proxy.UnlockOglProgram();
    clock.count = int64_t{0x80000000u + 9999u} * 1000000;
    first.LockOglProgram();
    EXPECT_EQ(2u, manager().GetNumShaders());
    clock.count += int64_t{40001} * 1000000;
    second.LockOglProgram();
    EXPECT_EQ(2u, manager().GetNumShaders()) << "sixty seconds after the lock";
    third.LockOglProgram();
    EXPECT_TRUE(clock.readings[0] == 1 && clock.readings[1] == 0)
        << "the frequency once, no counter";
}

}  // namespace
}  // namespace ZEV::Test
