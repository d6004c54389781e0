// Reading and writing every pixel of a 1024 x 1024 image through the CPU
// accessors, beside a plain typed loop doing the same conversion on the same
// buffer; and the heap allocations the accessor path makes (the "allocs"
// counter, per iteration of 1024 x 1024 pixels).
#include <benchmark/benchmark.h>

#include <cstring>

#include "CountingAllocator.h"
#include "image_runtime/images/ImageAccessor.h"
#include "image_runtime/images/ImageCPU.h"

namespace {

using ZEV::float4;
using ZEV::ImageCPU;

constexpr int kSize = 1024;
constexpr int kOffsetX = 16;
constexpr int kOffsetY = -8;

ImageCPU makeImage(benchmark::State& state) {
    const auto format = static_cast<ImageCPU::tePixelFormat>(state.range(0));
    ImageCPU image(format, kSize, kSize, ZEV::float2(1.0f), kOffsetX, kOffsetY, 0, 0);
    std::memset(image.pixels(), 0x3c, size_t(kSize) * kSize * ImageCPU::PixelSize(format));
    return image;
}

float4 colorAt(int x, int y) { return float4(x * (1.0f / kSize), y * (1.0f / kSize), 0.5f, 1.0f); }

// Reports the allocations made inside the timed loops, per iteration.
void finish(benchmark::State& state, long allocations) {
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
}

// Filter code holding the concrete accessor, whose calls the compiler can
// bind directly, and code holding only the abstract interface, where
// every pixel is a virtual call.
template <class Reader>
void readAll(benchmark::State& state, Reader& reader) {
    long allocations = 0;
    for (auto _ : state) {
        const long before = ZEV::Support::allocationCount();
        for (int y = kOffsetY; y < kOffsetY + kSize; ++y)
            for (int x = kOffsetX; x < kOffsetX + kSize; ++x) {
                float4 color = reader.getRGBAFloat4PixelAt(x, y);
                benchmark::DoNotOptimize(color);
            }
        allocations += ZEV::Support::allocationCount() - before;
    }
    finish(state, allocations);
}

template <class Writer>
void writeAll(benchmark::State& state, Writer& writer) {
    long allocations = 0;
    for (auto _ : state) {
        const long before = ZEV::Support::allocationCount();
        for (int y = kOffsetY; y < kOffsetY + kSize; ++y)
            for (int x = kOffsetX; x < kOffsetX + kSize; ++x)
                writer.writeRGBAFloatPixel4At(colorAt(x, y), x, y);
        benchmark::ClobberMemory();
        allocations += ZEV::Support::allocationCount() - before;
    }
    finish(state, allocations);
}

void BM_ReadAccessor(benchmark::State& state) {
    const ImageCPU image = makeImage(state);
    ZEV::ImageCPUReadAccessor reader(image);
    readAll(state, reader);
}

void BM_ReadAccessorVirtual(benchmark::State& state) {
    const ImageCPU image = makeImage(state);
    ZEV::ImageCPUReadAccessor cpuReader(image);
    // Read back through a volatile, the pointer's target is unknown to the
    // optimiser.
    ZEV::ImageReadAccessor* volatile hidden = &cpuReader;
    ZEV::ImageReadAccessor* reader = hidden;
    readAll(state, *reader);
}

void BM_WriteAccessor(benchmark::State& state) {
    ImageCPU image = makeImage(state);
    ZEV::ImageCPUWriteAccessor writer(image);
    writeAll(state, writer);
}

void BM_WriteAccessorVirtual(benchmark::State& state) {
    ImageCPU image = makeImage(state);
    ZEV::ImageCPUWriteAccessor cpuWriter(image);
    ZEV::ImageWriteAccessor* volatile hidden = &cpuWriter;
    ZEV::ImageWriteAccessor* writer = hidden;
    writeAll(state, *writer);
}

// The plain loops: typed pointers, row by row, the same per-channel rules.
template <class Pixel>
const Pixel* row(const ImageCPU& image, int y) {
    return reinterpret_cast<const Pixel*>(image.pixels()) + size_t(y) * image.physicalWidth();
}
template <class Pixel>
Pixel* row(ImageCPU& image, int y) {
    return reinterpret_cast<Pixel*>(image.pixels()) + size_t(y) * image.physicalWidth();
}

float unit(unsigned char value) { return static_cast<float>(value) / 255.0f; }
float clamped(float value) { return value > 1.0f ? 1.0f : (value < 0.0f ? 0.0f : value); }
unsigned char byte(float value) {
    const float c = clamped(value);
    return c > 0.0f ? static_cast<unsigned char>(c * 255.0f) : 0;
}

float4 toColor(const ZEV::PixelRGBA8& p) {
    return float4(unit(p.red), unit(p.green), unit(p.blue), unit(p.alpha));
}
float4 toColor(const ZEV::PixelBGR8& p) {
    return float4(unit(p.red), unit(p.green), unit(p.blue), 1.0f);
}
float4 toColor(const ZEV::PixelRGBA32F& p) { return float4(p.red, p.green, p.blue, p.alpha); }

void store(ZEV::PixelRGBA8& p, const float4& c) {
    p = {byte(c[0]), byte(c[1]), byte(c[2]), byte(c[3])};
}
void store(ZEV::PixelBGR8& p, const float4& c) { p = {byte(c[2]), byte(c[1]), byte(c[0])}; }
void store(ZEV::PixelRGBA32F& p, const float4& c) {
    p = {clamped(c[0]), clamped(c[1]), clamped(c[2]), clamped(c[3])};
}

template <class Pixel>
void BM_ReadPlainLoop(benchmark::State& state) {
    const ImageCPU image = makeImage(state);
    for (auto _ : state)
        for (int y = 0; y < kSize; ++y) {
            const auto* pixels = row<Pixel>(image, y);
            for (int x = 0; x < kSize; ++x) {
                float4 color = toColor(pixels[x]);
                benchmark::DoNotOptimize(color);
            }
        }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

template <class Pixel>
void BM_WritePlainLoop(benchmark::State& state) {
    ImageCPU image = makeImage(state);
    for (auto _ : state) {
        for (int y = 0; y < kSize; ++y) {
            auto* pixels = row<Pixel>(image, y);
            for (int x = 0; x < kSize; ++x) store(pixels[x], colorAt(x + kOffsetX, y + kOffsetY));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}

void formats(benchmark::internal::Benchmark* b) {
    b->Arg(ImageCPU::PIXEL_FORMAT_RGBA8)
        ->Arg(ImageCPU::PIXEL_FORMAT_BGR8)
        ->Arg(ImageCPU::PIXEL_FORMAT_RGBA32F)
        ->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ReadAccessor)->Apply(formats);
BENCHMARK(BM_ReadAccessorVirtual)->Apply(formats);
BENCHMARK_TEMPLATE(BM_ReadPlainLoop, ZEV::PixelRGBA8)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ReadPlainLoop, ZEV::PixelBGR8)
    ->Arg(ImageCPU::PIXEL_FORMAT_BGR8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_ReadPlainLoop, ZEV::PixelRGBA32F)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA32F)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteAccessor)->Apply(formats);
BENCHMARK(BM_WriteAccessorVirtual)->Apply(formats);
BENCHMARK_TEMPLATE(BM_WritePlainLoop, ZEV::PixelRGBA8)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_WritePlainLoop, ZEV::PixelBGR8)
    ->Arg(ImageCPU::PIXEL_FORMAT_BGR8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_WritePlainLoop, ZEV::PixelRGBA32F)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA32F)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
