// The shader manager against a plain model: random builds, locks, unlocks,
// adds (some of which break the texts), destructions, clock steps, setter
// changes, clearAll and manager restarts. After every step the count, the
// settings, the statistics and the set of programs that exist must match the
// model.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>

#include "support/ShaderTestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV::Test {
namespace {

using testing::StrEq, testing::ThrowsMessage;

struct ProxyModel {
    std::unique_ptr<ShaderProgramProxyOGL> proxy;
    // Uncounted: a program left by a failed build. Broken: the texts no longer compile.
    bool built = false, counted = false, locked = false, broken = false;
    double stamp = 0.0;
    unsigned int name = 0;  // learnt at a lock; 0 until then
};

// What a new manager starts with.
struct ManagerModel {
    std::list<int> registry;
    std::set<int> evicted;  // by the walk, and not built since
    uint32_t maxNumShaders = 128, threshold = 98, count = 0;
    double maxAge = 60.0;
    uint64_t built = 0, rebuilt = 0, evictions = 0;
};

class Model : public ManagerModel {
public:
    std::map<int, ProxyModel> proxies;
    double clockSeconds = 0.0;

    // The reading the manager computes from the manual clock.
    double now() const {
        return static_cast<double>(std::llround(clockSeconds * ManualClock::kFrequency)) *
               (1.0 / static_cast<double>(ManualClock::kFrequency));
    }
    void drop(ProxyModel& p) {
        if (p.counted) --count;
        p.built = p.counted = p.locked = false;
    }
    void walk() {
        if (count < maxNumShaders) return;
        for (const int id : registry) {
            ProxyModel& p = proxies.at(id);
            if (p.locked || maxAge > std::fabs(now() - p.stamp) || !p.built) continue;
            drop(p);
            ++evictions;
            evicted.insert(id);
            if (count <= threshold) return;
        }
    }
    // What clearAll and the manager's destruction delete.
    void clearAll() {
        for (const int id : registry)
            if (ProxyModel& p = proxies.at(id); !p.locked && p.built) drop(p);
    }
    // After the walk; returns whether the build succeeds.
    bool finishBuild(int id) {
        ProxyModel& p = proxies.at(id);
        p.built = true;
        p.name = 0;
        if (p.broken) return false;
        p.counted = true;
        ++count;
        ++built;
        rebuilt += evicted.erase(id);
        if (std::find(registry.begin(), registry.end(), id) == registry.end())
            registry.push_back(id);
        return true;
    }
};

class ShaderManagerOGLModelTest : public ShaderTest, public ::testing::WithParamInterface<int> {
protected:
    void step(std::mt19937& random);
    void check() const;

    Model model;
    int nextId = 0;
    size_t programsAtStart = 0;
};

void ShaderManagerOGLModelTest::step(std::mt19937& random) {
    auto pick = [&](int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); };
    ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    const int action = pick(100);
    const auto entry = model.proxies.empty()
                           ? model.proxies.end()
                           : std::next(model.proxies.begin(), pick(int(model.proxies.size())));
    if (action < 12 || entry == model.proxies.end()) {
        ProxyModel& p = model.proxies[nextId++];
        p.proxy = std::make_unique<ShaderProgramProxyOGL>();
        p.proxy->add(FragmentShaderSourceOGL("#version 110\nvoid main() { gl_FragColor = vec4(" +
                                             std::to_string(pick(256) / 255.0) + ");}\n"));
        return;
    }
    const int id = entry->first;
    ProxyModel& p = entry->second;
    SCOPED_TRACE("action " + std::to_string(action) + " on proxy " + std::to_string(id));
    if (action < 45) {
        const bool builds = !p.built;
        if (builds) model.walk();
        if (builds && !model.finishBuild(id)) {
            EXPECT_THROW(p.proxy->LockOglProgram(), InternalException);
            return;
        }
        const unsigned int name = p.proxy->LockOglProgram()->objectID();
        EXPECT_TRUE(builds || p.name == 0 || p.name == name) << "a built proxy was rebuilt";
        p.name = name;
        p.locked = true;
        p.stamp = model.now();
    } else if (action < 65) {
        p.proxy->UnlockOglProgram();
        p.locked = false;
    } else if (action < 75) {
        const bool breaks = pick(8) == 0;
        p.broken = p.broken || breaks;
        const FragmentShaderSourceOGL text(breaks ? "#error broken\n" : "// more text\n");
        if (p.built && p.locked) {
            EXPECT_THROW(p.proxy->add(text), InternalException);
        } else {
            p.proxy->add(text);
            if (p.built) model.drop(p);
        }
    } else if (action < 82) {
        if (p.built) model.drop(p);
        model.registry.remove(id);
        model.evicted.erase(id);
        model.proxies.erase(id);  // destroys the proxy
    } else if (action < 90) {
        model.clockSeconds += pick(121) - 30;
        clock.setSeconds(model.clockSeconds);
    } else if (action < 95) {
        model.maxNumShaders = static_cast<uint32_t>(pick(10));
        model.threshold = static_cast<uint32_t>(pick(10));
        model.maxAge = pick(130) - 10;
        manager.SetMaxNumShaders(model.maxNumShaders);
        manager.GetShaderThreshold(model.threshold);
        manager.SetMaxShaderAge(model.maxAge);
        if (model.maxAge < 0.0) model.maxAge = 0.0;
    } else if (action < 97) {
        manager.clearAll();
        model.clearAll();
    } else if (action < 99) {
        // The walk runs first and may leave this proxy unbuilt.
        model.walk();
        if (p.built || !model.finishBuild(id)) {
            EXPECT_THROW(manager.RegisterShaderProgram(p.proxy.get()), InternalException);
        } else {
            manager.RegisterShaderProgram(p.proxy.get());
        }
    } else {
        // A restart, where neither step may be doubled: locked programs
        // survive, counted by no manager.
        const auto refused = [](const char* message) {
            return ThrowsMessage<InternalException>(StrEq(message));
        };
        EXPECT_THAT([] { RuntimeSetup::createShaderManager(); }, refused("gpInstance_ == 0"));
        RuntimeSetup::destroyShaderManager();
        EXPECT_THAT([] { RuntimeSetup::destroyShaderManager(); },
                    refused("Enforce gpInstance_ != NULL"));
        RuntimeSetup::createShaderManager();
        model.clearAll();
        for (auto& entry : model.proxies) entry.second.counted = false;
        static_cast<ManagerModel&>(model) = ManagerModel();
    }
}

void ShaderManagerOGLModelTest::check() const {
    const ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    ASSERT_EQ(std::make_tuple(model.count, model.maxNumShaders, model.threshold, model.maxAge),
              std::make_tuple(manager.GetNumShaders(), manager.GetMaxNumShaders(),
                              manager.GetShaderThreshold(), manager.GetMaxShaderAge()));
    const ShaderManagerStatistics counts = ShaderManagerOGL::Statistics();
    ASSERT_EQ(
        std::make_tuple(model.built, model.rebuilt, model.evictions),
        std::make_tuple(counts.programsBuilt, counts.programsRebuilt, counts.programsEvicted));
    ASSERT_TRUE(counts.longestBuildSeconds <= counts.totalBuildSeconds &&
                (counts.longestBuildSeconds > 0.0) == (model.built > 0));
    // One program per built proxy; a dropped program's name may serve a later one.
    size_t built = 0;
    std::set<unsigned int> builtNames;
    for (const auto& entry : model.proxies) {
        built += entry.second.built;
        if (entry.second.built) builtNames.insert(entry.second.name);
    }
    ASSERT_EQ(programsAtStart + built, OGL::LiveObjects::count(OGL::ObjectKind::Program));
    for (const auto& [id, p] : model.proxies)
        ASSERT_TRUE(p.name == 0 || builtNames.count(p.name) == glIsProgram(p.name))
            << "proxy " << id << (p.built ? " lost" : " kept") << " its program";
}

TEST_P(ShaderManagerOGLModelTest, CountAndProgramsFollowTheModel) {
    programsAtStart = OGL::LiveObjects::count(OGL::ObjectKind::Program);
    std::mt19937 random(static_cast<std::mt19937::result_type>(GetParam()));
    for (int n = 0; n < 1000; ++n) {
        SCOPED_TRACE("seed " + std::to_string(GetParam()) + ", step " + std::to_string(n));
        step(random);
        check();
        if (HasFatalFailure()) return;
    }
    model.proxies.clear();
}

INSTANTIATE_TEST_SUITE_P(Seeds, ShaderManagerOGLModelTest, ::testing::Values(1, 2, 5));

}  // namespace
}  // namespace ZEV::Test
