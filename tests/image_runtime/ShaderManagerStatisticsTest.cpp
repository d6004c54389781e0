// The shader manager's counts after a known sequence of locks, evictions and a clear.
#include "support/ShaderTestSupport.h"

namespace ZEV {
namespace {

using namespace Test;

TEST_F(ShaderTest, StatisticsCountBuildsRebuildsAndEvictions) {
    manager().SetMaxNumShaders(2);
    manager().GetShaderThreshold(1);
    manager().SetMaxShaderAge(0.0);
    ShaderProgramProxyOGL a, b, c;
    for (ShaderProgramProxyOGL* proxy : {&a, &b, &c}) addFlatColourTexts(*proxy, 0.5f);
    struct Step {
        ShaderProgramProxyOGL* lock;  // null: clearAll()
        std::tuple<uint64_t, uint64_t, uint64_t> builtRebuiltEvicted;
    };
    // Two programs at most: a build first evicts the earliest idle one. Cleared is not evicted.
    const Step steps[] = {{&a, {1, 0, 0}},      {&b, {2, 0, 0}}, {&c, {3, 0, 1}}, {&a, {4, 1, 2}},
                          {nullptr, {4, 1, 2}}, {&c, {5, 1, 2}}, {&b, {6, 2, 2}}};
    for (const Step& step : steps) {
        step.lock ? static_cast<void>(lockAndUnlock(*step.lock)) : manager().clearAll();
        const ShaderManagerStatistics counts = ShaderManagerOGL::Statistics();
        EXPECT_EQ(
            std::make_tuple(counts.programsBuilt, counts.programsRebuilt, counts.programsEvicted),
            step.builtRebuiltEvicted)
            << "after step " << &step - steps;
        EXPECT_TRUE(counts.longestBuildSeconds > 0.0 &&
                    counts.longestBuildSeconds <= counts.totalBuildSeconds);
    }
}

}  // namespace
}  // namespace ZEV
