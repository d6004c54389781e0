// Uploading a 1024 x 1024 RGBA8 block through ImageGPU::copyImageData,
// against the same glTexSubImage2D called directly on the same texture, on
// one context in one run.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <vector>

#include "BenchmarkRuntime.h"
#include "image_runtime/images/ImageGPU.h"

namespace {

constexpr size_t kSize = 1024;
ZEV::ImageGPU* gImage = nullptr;

const std::vector<unsigned char>& block() {
    static const std::vector<unsigned char> data = [] {
        std::vector<unsigned char> bytes(kSize * kSize * 4);
        for (size_t n = 0; n < bytes.size(); ++n) bytes[n] = static_cast<unsigned char>(n * 31);
        return bytes;
    }();
    return data;
}

void CopyImageData(benchmark::State& state) {
    const std::vector<unsigned char>& data = block();
    for (auto _ : state) {
        gImage->copyImageData(ZEV::int2(0, 0), ZEV::size2(kSize, kSize), GL_RGBA, GL_UNSIGNED_BYTE,
                              data.data(), ZEV::float2(1, 1));
        glFinish();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(CopyImageData)->Unit(benchmark::kMicrosecond);

void TexSubImage2DDirect(benchmark::State& state) {
    const std::vector<unsigned char>& data = block();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (auto _ : state) {
        glBindTexture(GL_TEXTURE_2D, gImage->texture()->objectID());
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE,
                        data.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        glFinish();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}
BENCHMARK(TexSubImage2DDirect)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return ZEV::Support::runBenchmarksWithPool(argc, argv, "ImageGPUBench", [] {
        ZEV::ImageGPU image(ZEV::int2(0, 0), ZEV::size2(kSize, kSize),
                            ZEV::ImageGPU::PIXEL_FORMAT_RGBA8, ZEV::float2(1, 1));
        gImage = &image;
        benchmark::RunSpecifiedBenchmarks();
        gImage = nullptr;
    });
}
