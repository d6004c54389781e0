// The deep copy of ImageCPU beside a plain memcpy of the same buffer into an
// existing one, and beside allocating and copying by hand.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "image_runtime/images/ImageCPU.h"

namespace {

using ZEV::ImageCPU;

ImageCPU sourceImage(benchmark::State& state) {
    const auto format = static_cast<ImageCPU::tePixelFormat>(state.range(0));
    ImageCPU image(format, 1024, 1024, ZEV::float2(1.0f), 0, 0, 0, 0);
    std::memset(image.pixels(), 0x3c, size_t{1024} * 1024 * ImageCPU::PixelSize(format));
    return image;
}

size_t bufferBytes(benchmark::State& state) {
    return size_t{1024} * 1024 *
           ImageCPU::PixelSize(static_cast<ImageCPU::tePixelFormat>(state.range(0)));
}

void BM_CopyConstructor(benchmark::State& state) {
    const ImageCPU source = sourceImage(state);
    for (auto _ : state) {
        ImageCPU copy(source);
        benchmark::DoNotOptimize(copy.pixels());
    }
    state.SetBytesProcessed(state.iterations() * bufferBytes(state));
}

void BM_Memcpy(benchmark::State& state) {
    const ImageCPU source = sourceImage(state);
    const size_t bytes = bufferBytes(state);
    std::unique_ptr<unsigned char[]> target(new unsigned char[bytes]);
    for (auto _ : state) {
        std::memcpy(target.get(), source.pixels(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_AllocateAndMemcpy(benchmark::State& state) {
    const ImageCPU source = sourceImage(state);
    const size_t bytes = bufferBytes(state);
    for (auto _ : state) {
        std::unique_ptr<unsigned char[]> target(new unsigned char[bytes]);
        std::memcpy(target.get(), source.pixels(), bytes);
        benchmark::DoNotOptimize(target.get());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

// 1024 x 1024 pixels in RGBA8 (4 MiB) and RGBA32F (16 MiB).
BENCHMARK(BM_CopyConstructor)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA8)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA32F);
BENCHMARK(BM_Memcpy)->Arg(ImageCPU::PIXEL_FORMAT_RGBA8)->Arg(ImageCPU::PIXEL_FORMAT_RGBA32F);
BENCHMARK(BM_AllocateAndMemcpy)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA8)
    ->Arg(ImageCPU::PIXEL_FORMAT_RGBA32F);

}  // namespace

BENCHMARK_MAIN();
