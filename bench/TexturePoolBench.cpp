// A pooled 512 x 512 RGBA8 2D texture taken and given back again, against
// creating and deleting the same texture with GL directly, on one context in
// one run. The pooled path also reports its heap allocations per iteration,
// counted by a replaced global operator new. The same get and give-back with
// 10, 1,000 and 100,000 free textures of other sizes in the pool shows
// whether a request's cost grows with the free lists.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <vector>

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

// Small textures of 1,000 sizes other than kSize x kSize, given back before the
// measured one so that they stand in front of it in the free list.
void PooledGetAmongOthers(benchmark::State& state) {
    ZEV::TexturePool* pool = ZEV::TexturePool::Instance();
    const size_t limit = pool->maximumPoolSize();
    pool->setMaximumPoolSize(static_cast<size_t>(-1));
    const auto others = static_cast<unsigned int>(state.range(0));
    std::vector<ZEV::OGL::Texture2D*> held;
    for (unsigned int i = 0; i < others; ++i)
        held.push_back(pool->getTexture2DFromPool(1 + i % 40, 1 + i / 40 % 25,
                                                  ZEV::OGL::Texture::INTERNAL_FORMAT_RGBA8));
    for (ZEV::OGL::Texture2D* texture : held) pool->returnTexture2DToPool(texture);
    pool->returnTexture2DToPool(
        pool->getTexture2DFromPool(kSize, kSize, ZEV::OGL::Texture::INTERNAL_FORMAT_RGBA8));
    for (auto _ : state) {
        ZEV::OGL::Texture2D* texture =
            pool->getTexture2DFromPool(kSize, kSize, ZEV::OGL::Texture::INTERNAL_FORMAT_RGBA8);
        benchmark::DoNotOptimize(texture);
        pool->returnTexture2DToPool(texture);
    }
    pool->clear2DPool();
    pool->setMaximumPoolSize(limit);
}
BENCHMARK(PooledGetAmongOthers)->Arg(10)->Arg(1000)->Arg(100000);

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
