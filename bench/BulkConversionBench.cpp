// The bulk conversions over a whole 1024 x 1024 image beside their practical
// limits from the same run: narrowing and widening spans of four values a
// pixel beside the processor's 256-bit conversion instructions (which round
// ties to even), and pixel spans of each format to and from float4 beside a
// memcpy of the float4 bytes. The "allocs" counter is the heap allocations
// per iteration.
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "CountingAllocator.h"
#include "image_runtime/images/BulkConversion.h"
#include "image_runtime/images/PixelFormatTable.h"

namespace {

using ZEV::float4;
using ZEV::half;
using ZEV::ImageCPU;

constexpr size_t kPixels = size_t{1024} * 1024;
constexpr size_t kValues = 4 * kPixels;

// Argument 0: colour values in [0, 1], one in eight exactly 0 (pixel-like);
// argument 1: uniformly random bit patterns, NaNs and all.
std::vector<float> sampleFloats(const benchmark::State& state) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> values(kValues);
    for (size_t n = 0; n < kValues; ++n) {
        if (state.range(0) == 0) {
            values[n] = n % 8 == 3 ? 0.0f : unit(random);
        } else {
            const uint32_t bits = random();
            std::memcpy(&values[n], &bits, sizeof bits);
        }
    }
    return values;
}

std::vector<half> sampleHalves() {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<half> values(kValues);
    for (half& h : values) h = unit(random);
    return values;
}

// Runs body once per iteration and reports the allocations it made.
template <class Body>
void measure(benchmark::State& state, size_t bytes, Body body) {
    long allocations = 0;
    for (auto _ : state) {
        const long before = ZEV::Support::allocationCount();
        body();
        benchmark::ClobberMemory();
        allocations += ZEV::Support::allocationCount() - before;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

void BM_NarrowSpan(benchmark::State& state) {
    const std::vector<float> source = sampleFloats(state);
    std::vector<half> target(kValues);
    measure(state, kValues * 4, [&] { ZEV::narrowToHalf(source.data(), target.data(), kValues); });
}

__attribute__((target("avx2,f16c"))) void narrowF16C(const float* source, uint16_t* target) {
    for (size_t n = 0; n < kValues; n += 8)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + n),
                         _mm256_cvtps_ph(_mm256_loadu_ps(source + n), _MM_FROUND_TO_NEAREST_INT));
}

void BM_NarrowSpanF16C(benchmark::State& state) {
    const std::vector<float> source = sampleFloats(state);
    std::vector<uint16_t> target(kValues);
    measure(state, kValues * 4, [&] { narrowF16C(source.data(), target.data()); });
}

void BM_WidenSpan(benchmark::State& state) {
    const std::vector<half> source = sampleHalves();
    std::vector<float> target(kValues);
    measure(state, kValues * 2, [&] { ZEV::widenToFloat(source.data(), target.data(), kValues); });
}

__attribute__((target("avx2,f16c"))) void widenF16C(const half* source, float* target) {
    for (size_t n = 0; n < kValues; n += 8)
        _mm256_storeu_ps(
            target + n,
            _mm256_cvtph_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + n))));
}

void BM_WidenSpanF16C(benchmark::State& state) {
    const std::vector<half> source = sampleHalves();
    std::vector<float> target(kValues);
    measure(state, kValues * 2, [&] { widenF16C(source.data(), target.data()); });
}

// Pixels of the format given as the argument, every byte a varied value
// (for the float formats, the floats of colour values).
std::vector<float> samplePixels(ImageCPU::tePixelFormat format) {
    std::vector<float4> colours(kPixels);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (float4& c : colours) c = float4(unit(random), unit(random), unit(random), unit(random));
    std::vector<float> pixels(kPixels * 4);
    ZEV::writeRGBAFloat4Pixels(format, colours.data(), pixels.data(), kPixels);
    return pixels;
}

ImageCPU::tePixelFormat formatOf(const benchmark::State& state) {
    return static_cast<ImageCPU::tePixelFormat>(state.range(0));
}

void BM_ReadPixels(benchmark::State& state) {
    const std::vector<float> pixels = samplePixels(formatOf(state));
    std::vector<float4> colours(kPixels);
    measure(state, kPixels * sizeof(float4), [&] {
        ZEV::readRGBAFloat4Pixels(formatOf(state), pixels.data(), colours.data(), kPixels);
    });
}

void BM_WritePixels(benchmark::State& state) {
    std::vector<float4> colours(kPixels);
    ZEV::readRGBAFloat4Pixels(ImageCPU::PIXEL_FORMAT_RGBA32F,
                              samplePixels(ImageCPU::PIXEL_FORMAT_RGBA32F).data(), colours.data(),
                              kPixels);
    std::vector<float> pixels(kPixels * 4);
    measure(state, kPixels * sizeof(float4), [&] {
        ZEV::writeRGBAFloat4Pixels(formatOf(state), colours.data(), pixels.data(), kPixels);
    });
}

// The same bytes as the float4 side of a pixel span, copied.
void BM_MemcpyColours(benchmark::State& state) {
    const std::vector<float4> source(kPixels, float4(0.5f));
    std::vector<float4> target(kPixels);
    measure(state, kPixels * sizeof(float4),
            [&] { std::memcpy(target.data(), source.data(), kPixels * sizeof(float4)); });
}

void formats(benchmark::internal::Benchmark* b) {
    for (int format : {ImageCPU::PIXEL_FORMAT_RGBA8, ImageCPU::PIXEL_FORMAT_BGRA8,
                       ImageCPU::PIXEL_FORMAT_RGB8, ImageCPU::PIXEL_FORMAT_BGR8,
                       ImageCPU::PIXEL_FORMAT_RGBA32F, ImageCPU::PIXEL_FORMAT_RGB32F,
                       ImageCPU::PIXEL_FORMAT_RGBA16F, ImageCPU::PIXEL_FORMAT_RGB16F})
        b->Arg(format);
    b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_NarrowSpan)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NarrowSpanF16C)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WidenSpan)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WidenSpanF16C)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadPixels)->Apply(formats);
BENCHMARK(BM_WritePixels)->Apply(formats);
BENCHMARK(BM_MemcpyColours)->Apply(formats);

}  // namespace

BENCHMARK_MAIN();
