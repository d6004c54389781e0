// The shader manager with real programs and a clock set by hand: lifecycle,
// settings, the eviction walk and its thresholds, ageing, clearAll.
#include <memory>
#include <vector>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "support/ShaderTestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV::Test {
namespace {

constexpr const char* kManagerSource = "image_runtime/ShaderManagerOGL";

using ShaderManagerOGLTest = ShaderTest;

// Proxies built and unlocked in order, remembering their program names.
struct BuiltProxies {
    std::vector<std::unique_ptr<ShaderProgramProxyOGL>> proxies;
    std::vector<unsigned int> names;

    explicit BuiltProxies(size_t count) {
        for (size_t n = 0; n < count; ++n) {
            proxies.push_back(std::make_unique<ShaderProgramProxyOGL>());
            addFlatColourTexts(*proxies.back(), static_cast<float>(n) / static_cast<float>(count));
            relock(n);
        }
    }
    void relock(size_t n) {
        names.resize(proxies.size());
        names[n] = lockAndUnlock(*proxies[n]);
    }
    bool built(size_t n) const { return isProgram(names[n]); }
};

// Builds and drops a program of its own; its build runs one eviction walk.
// Reports whether that walk deleted anything.
bool nextBuildEvicts() {
    const uint32_t before = ShaderManagerOGL::Instance()->GetNumShaders();
    {
        ShaderProgramProxyOGL probe;
        addFlatColourTexts(probe, 0.0f);
        probe.LockOglProgram();
    }
    return ShaderManagerOGL::Instance()->GetNumShaders() < before;
}

TEST(ShaderManagerOGLLifecycle, CreateInstanceDestroyAndTheirRefusals) {
    EXPECT_TRUE(throwsInternalAt([] { ShaderManagerOGL::Instance(); }, kManagerSource, 316,
                                 "Enforce gpInstance_ != NULL"));
    EXPECT_TRUE(throwsInternalAt([] { RuntimeSetup::destroyShaderManager(); }, kManagerSource, 331,
                                 "Enforce gpInstance_ != NULL"));
    RuntimeSetup::createShaderManager();
    ShaderManagerOGL* const manager = ShaderManagerOGL::Instance();
    EXPECT_TRUE(throwsInternalAt([] { RuntimeSetup::createShaderManager(); }, kManagerSource, 323,
                                 "gpInstance_ == 0"));
    EXPECT_EQ(manager, ShaderManagerOGL::Instance());
    manager->SetMaxNumShaders(3);
    RuntimeSetup::destroyShaderManager();

    // A new manager starts from the initial settings again.
    RuntimeSetup::createShaderManager();
    EXPECT_EQ(128u, ShaderManagerOGL::Instance()->GetMaxNumShaders());
    RuntimeSetup::destroyShaderManager();
    EXPECT_THROW(ShaderManagerOGL::Instance(), InternalException);
}

TEST_F(ShaderManagerOGLTest, SettingsStartAtTheirDefaultsAndApplyAtTheNextBuild) {
    EXPECT_EQ(128u, manager().GetMaxNumShaders());
    EXPECT_EQ(98u, manager().GetShaderThreshold());
    EXPECT_EQ(60.0, manager().GetMaxShaderAge());
    EXPECT_EQ(0u, manager().GetNumShaders());
    manager().SetMaxShaderAge(-5.0);
    EXPECT_EQ(0.0, manager().GetMaxShaderAge());
    manager().GetShaderThreshold(7);
    EXPECT_EQ(7u, manager().GetShaderThreshold());

    const BuiltProxies built(3);
    manager().SetMaxNumShaders(0);
    manager().GetShaderThreshold(0);
    manager().SetMaxShaderAge(-1.0);  // every unlocked program is old enough now
    EXPECT_EQ(3u, manager().GetNumShaders());
    EXPECT_TRUE(built.built(0) && built.built(1) && built.built(2));

    ShaderProgramProxyOGL another;
    another.LockOglProgram();
    EXPECT_EQ(1u, manager().GetNumShaders());
    EXPECT_FALSE(built.built(0) || built.built(1) || built.built(2));
}

TEST_F(ShaderManagerOGLTest, EvictsOldIdleProgramsInOrderOfFirstBuildDownToTheThreshold) {
    BuiltProxies built(128);
    clock.setSeconds(100.0);
    built.relock(1);  // young
    built.proxies[2]->LockOglProgram();
    EXPECT_EQ(128u, manager().GetNumShaders());

    ShaderProgramProxyOGL next;
    next.LockOglProgram();
    EXPECT_EQ(99u, manager().GetNumShaders());
    EXPECT_FALSE(built.built(0));
    EXPECT_TRUE(built.built(1) && built.built(2));
    for (size_t n = 3; n < 32; ++n) EXPECT_FALSE(built.built(n)) << n;
    for (size_t n = 32; n < 128; ++n) EXPECT_TRUE(built.built(n)) << n;

    // Rebuilding an evicted proxy counts it again and keeps its first place:
    // the next walk takes it before the older programs registered after it.
    built.relock(0);
    EXPECT_EQ(100u, manager().GetNumShaders());
    clock.setSeconds(200.0);
    manager().SetMaxNumShaders(0);
    manager().GetShaderThreshold(1000);
    EXPECT_TRUE(nextBuildEvicts());
    EXPECT_FALSE(built.built(0));
    EXPECT_TRUE(built.built(1) && built.built(32));
    EXPECT_EQ(99u, manager().GetNumShaders());
}

TEST_F(ShaderManagerOGLTest, TheMaximumStartsAWalkButDoesNotCapTheCount) {
    manager().SetMaxNumShaders(4);
    manager().GetShaderThreshold(2);
    BuiltProxies built(4);
    clock.setSeconds(10.0);
    built.relock(3);
    ShaderProgramProxyOGL fifth, sixth;
    lockAndUnlock(fifth);
    EXPECT_EQ(5u, manager().GetNumShaders()) << "nothing was old enough";

    clock.setSeconds(69.0);  // 0, 1 and 2 are old; 3 and the fifth are not
    sixth.LockOglProgram();
    EXPECT_EQ(3u, manager().GetNumShaders());
    EXPECT_FALSE(built.built(0) || built.built(1) || built.built(2));
    EXPECT_TRUE(built.built(3));
}

TEST_F(ShaderManagerOGLTest, AgeIsTheDistanceFromTheLatestLock) {
    manager().SetMaxNumShaders(0);
    manager().GetShaderThreshold(1000);
    ShaderProgramProxyOGL proxy;
    addFlatColourTexts(proxy, 1.0f);

    // Stamped at the lock (100), neither at the build nor at the unlock.
    clock.setSeconds(100.0);
    proxy.LockOglProgram();
    clock.setSeconds(150.0);
    proxy.UnlockOglProgram();
    clock.setSeconds(159.999);
    EXPECT_FALSE(nextBuildEvicts());
    clock.setSeconds(160.0);  // exactly the maximum age
    EXPECT_TRUE(nextBuildEvicts());

    // A relock moves the stamp; a stamp ahead of the clock counts by its distance.
    clock.setSeconds(1000.0);
    lockAndUnlock(proxy);
    clock.setSeconds(1030.0);
    lockAndUnlock(proxy);
    clock.setSeconds(1089.0);
    EXPECT_FALSE(nextBuildEvicts());
    clock.setSeconds(980.0);
    EXPECT_FALSE(nextBuildEvicts());
    clock.setSeconds(970.0);
    EXPECT_TRUE(nextBuildEvicts());
    EXPECT_EQ(0u, manager().GetNumShaders());
}

TEST_F(ShaderManagerOGLTest, DirectRegistrationLeavesTheStampAtTheOrigin) {
    manager().SetMaxNumShaders(0);
    manager().GetShaderThreshold(1000);
    clock.setSeconds(59.0);
    ShaderProgramProxyOGL proxy;
    addFlatColourTexts(proxy, 1.0f);
    manager().RegisterShaderProgram(&proxy);
    EXPECT_EQ(1u, manager().GetNumShaders());
    EXPECT_FALSE(nextBuildEvicts());

    ShaderProgramProxyOGL other;
    clock.setSeconds(30.0);
    lockAndUnlock(other);
    EXPECT_EQ(2u, manager().GetNumShaders());

    // Registering a built proxy is refused, but only after the walk ran.
    clock.setSeconds(60.0);
    EXPECT_TRUE(throwsInternalAt([&] { manager().RegisterShaderProgram(&other); }, kManagerSource,
                                 69, "!pProxy->p_ProgramObject"));
    EXPECT_EQ(1u, manager().GetNumShaders()) << "the walk deleted the origin-stamped program";
    EXPECT_FALSE(nextBuildEvicts()) << "the refused proxy is unchanged";
}

TEST_F(ShaderManagerOGLTest, ClearAllAndDestroyKeepLockedPrograms) {
    BuiltProxies built(3);
    ShaderProgramProxyOGL& locked = *built.proxies[1];
    locked.LockOglProgram();
    manager().clearAll();
    EXPECT_FALSE(built.built(0) || built.built(2));
    EXPECT_TRUE(built.built(1));
    EXPECT_EQ(1u, manager().GetNumShaders());

    built.relock(0);
    EXPECT_EQ(2u, manager().GetNumShaders());
    RuntimeSetup::destroyShaderManager();
    EXPECT_FALSE(built.built(0));
    EXPECT_TRUE(built.built(1));
    built.proxies.clear();  // no manager: the locked proxy deletes its own program
    EXPECT_FALSE(isProgram(built.names[1]));
}

}  // namespace
}  // namespace ZEV::Test
