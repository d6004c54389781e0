// A pooled 512 x 512 RGBA8 2D texture taken and given back again, against
// creating and deleting the same texture with GL directly, on one context in
// one run. The pooled path also reports its heap allocations per iteration,
// counted by a replaced global operator new.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "BenchmarkRuntime.h"
#include "CountingAllocator.h"
#include "image_runtime/TexturePool.h"

namespace {

constexpr unsigned int kSize = 512;

void PooledGetAndReturn(benchmark::State& state) {
    ZEV::TexturePool* pool = ZEV::TexturePool::Instance();
    pool->returnTexture2DToPool(
        pool->getTexture2DFromPool(kSize, kSize, ZEV::OGL::Texture::INTERNAL_FORMAT_RGBA8));
    const long before = ZEV::Support::allocationCount();
    for (auto _ : state) {
        ZEV::OGL::Texture2D* texture =
            pool->getTexture2DFromPool(kSize, kSize, ZEV::OGL::Texture::INTERNAL_FORMAT_RGBA8);
        benchmark::DoNotOptimize(texture);
        pool->returnTexture2DToPool(texture);
    }
    state.counters["allocs"] = static_cast<double>(ZEV::Support::allocationCount() - before) /
                               static_cast<double>(state.iterations());
}
BENCHMARK(PooledGetAndReturn);

void DirectCreateAndDelete(benchmark::State& state) {
    for (auto _ : state) {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &texture);
    }
}
BENCHMARK(DirectCreateAndDelete);

}  // namespace

int main(int argc, char** argv) {
    return ZEV::Support::runBenchmarksWithPool(argc, argv, "TexturePoolBench");
}
