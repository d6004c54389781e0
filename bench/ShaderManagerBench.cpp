// Costs of the shader manager's paths: locking and unlocking a built proxy
// beside the clock reading it includes, and a rebuild after eviction.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Context.h"
#include "zev_ogl/Platform.h"

namespace {

using namespace ZEV;

const char* const kVertex = "#version 110\nvoid main() { gl_Position = gl_Vertex; }\n";
const char* const kFragment =
    "#version 110\nvoid main() { gl_FragColor = vec4(1.0, 0.5, 0.25, 1.0); }\n";

// One context and one manager for the whole program.
struct Setup {
    std::unique_ptr<OGL::Context> context = [] {
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
        auto created = OGL::createHeadlessContext();
        created->makeCurrent();
        return created;
    }();
    ScopedShaderManager manager;
};

void ensureSetup() { static Setup setup; }

void addTexts(ShaderProgramProxyOGL& proxy) {
    proxy.add(VertexShaderSourceOGL(kVertex));
    proxy.add(FragmentShaderSourceOGL(kFragment));
}

void BM_ClockReading(benchmark::State& state) {
    Platform::ClockSource& clock = Platform::clockSource();
    int64_t count = 0;
    for (auto _ : state) {
        clock.performanceCounter(&count);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_ClockReading);

void BM_LockUnlockBuiltProxy(benchmark::State& state) {
    ensureSetup();
    ShaderProgramProxyOGL proxy;
    addTexts(proxy);
    proxy.LockOglProgram();
    proxy.UnlockOglProgram();
    for (auto _ : state) {
        benchmark::DoNotOptimize(proxy.LockOglProgram());
        proxy.UnlockOglProgram();
    }
}
BENCHMARK(BM_LockUnlockBuiltProxy);

// Two proxies take turns with room for one idle program: each lock evicts
// the other's program and rebuilds its own (compile and link).
void BM_RebuildAfterEviction(benchmark::State& state) {
    ensureSetup();
    ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    manager.SetMaxNumShaders(1);
    manager.GetShaderThreshold(0);
    manager.SetMaxShaderAge(0.0);
    ShaderProgramProxyOGL first, second;
    addTexts(first);
    addTexts(second);
    for (auto _ : state) {
        first.LockOglProgram();
        first.UnlockOglProgram();
        second.LockOglProgram();
        second.UnlockOglProgram();
    }
    state.SetItemsProcessed(state.iterations() * 2);
    state.counters["programs"] = manager.GetNumShaders();
    manager.SetMaxNumShaders(128);
    manager.GetShaderThreshold(98);
    manager.SetMaxShaderAge(60.0);
}
BENCHMARK(BM_RebuildAfterEviction)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
