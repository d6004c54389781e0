// The shared main of the GL benchmark programs.
#include "BenchmarkRuntime.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <exception>
#include <iostream>

#include "image_runtime/TexturePool.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Context.h"

namespace ZEV::Support {

int runBenchmarksWithPool(int argc, char** argv, const char* program,
                          const std::function<void()>& run) {
    // Mesa's disk shader cache would make timings depend on earlier runs.
    setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
    benchmark::Initialize(&argc, argv);
    try {
        const auto caller = OGL::createHeadlessContext();
        const auto poolContext = OGL::createHeadlessContext(caller.get());
        caller->makeCurrent();
        TexturePool::Configuration configuration;
        configuration.setContext(poolContext.get());
        {
            const ScopedTexturePool pool(configuration);
            run();
        }
        OGL::releaseCurrentContext();
    } catch (const std::exception& e) {
        std::cerr << program << ": " << e.what() << "\n";
        return 1;
    }
    benchmark::Shutdown();
    return 0;
}

int runBenchmarksWithPool(int argc, char** argv, const char* program) {
    return runBenchmarksWithPool(argc, argv, program, [] { benchmark::RunSpecifiedBenchmarks(); });
}

}  // namespace ZEV::Support
