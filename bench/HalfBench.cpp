// Narrowing float to half and widening half to float beside the processor's
// own conversion instructions (F16C, which round ties to even), the practical
// limit. Each is measured two ways: one value at a time into a register, and
// converting a buffer into another, as pixel code does.
#include <benchmark/benchmark.h>
#include <immintrin.h>

#include <random>
#include <vector>

#include "image_runtime/images/half.h"

namespace {

constexpr size_t kCount = 4096;

// Colour values in [-1.5, 1.5], all on the table-driven fast path; in the
// mixed set (argument 1) one value in eight is tiny or huge and takes the
// slow path.
std::vector<float> sampleFloats(const benchmark::State& state) {
    const bool mixed = state.range(0) != 0;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.5f, 1.5f);
    std::vector<float> values(kCount);
    for (size_t n = 0; n < kCount; ++n) {
        values[n] = unit(random);
        if (mixed && n % 16 == 0) values[n] *= 1e-6f;
        if (mixed && n % 16 == 1) values[n] *= 1e6f;
    }
    return values;
}

std::vector<unsigned short> sampleHalfBits(const benchmark::State& state) {
    std::vector<unsigned short> bits;
    for (float f : sampleFloats(state)) bits.push_back(ZEV::half(f).bits());
    return bits;
}

std::vector<ZEV::half> sampleHalves(const benchmark::State& state) {
    std::vector<ZEV::half> values;
    for (unsigned short bits : sampleHalfBits(state)) {
        ZEV::half h;
        h.setBits(bits);
        values.push_back(h);
    }
    return values;
}

void BM_NarrowHalf(benchmark::State& state) {
    const std::vector<float> values = sampleFloats(state);
    for (auto _ : state)
        for (float f : values) {
            ZEV::half h(f);
            benchmark::DoNotOptimize(h);
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

__attribute__((target("f16c"))) void narrowF16C(const std::vector<float>& values) {
    for (float f : values) {
        unsigned short h = _cvtss_sh(f, 0);
        benchmark::DoNotOptimize(h);
    }
}

void BM_NarrowF16C(benchmark::State& state) {
    const std::vector<float> values = sampleFloats(state);
    for (auto _ : state) narrowF16C(values);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_WidenHalf(benchmark::State& state) {
    const std::vector<ZEV::half> values = sampleHalves(state);
    for (auto _ : state)
        for (ZEV::half h : values) {
            float f = h;
            benchmark::DoNotOptimize(f);
        }
    state.SetItemsProcessed(state.iterations() * kCount);
}

__attribute__((target("f16c"))) void widenF16C(const std::vector<unsigned short>& values) {
    for (unsigned short h : values) {
        float f = _cvtsh_ss(h);
        benchmark::DoNotOptimize(f);
    }
}

void BM_WidenF16C(benchmark::State& state) {
    const std::vector<unsigned short> values = sampleHalfBits(state);
    for (auto _ : state) widenF16C(values);
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_NarrowHalfBuffer(benchmark::State& state) {
    const std::vector<float> values = sampleFloats(state);
    std::vector<ZEV::half> out(kCount);
    for (auto _ : state) {
        for (size_t n = 0; n < kCount; ++n) out[n] = values[n];
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

__attribute__((target("f16c"))) void narrowBufferF16C(const float* in, unsigned short* out) {
    for (size_t n = 0; n < kCount; ++n) out[n] = _cvtss_sh(in[n], 0);
}

void BM_NarrowF16CBuffer(benchmark::State& state) {
    const std::vector<float> values = sampleFloats(state);
    std::vector<unsigned short> out(kCount);
    for (auto _ : state) {
        narrowBufferF16C(values.data(), out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_WidenHalfBuffer(benchmark::State& state) {
    const std::vector<ZEV::half> values = sampleHalves(state);
    std::vector<float> out(kCount);
    for (auto _ : state) {
        for (size_t n = 0; n < kCount; ++n) out[n] = values[n];
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

__attribute__((target("f16c"))) void widenBufferF16C(const unsigned short* in, float* out) {
    for (size_t n = 0; n < kCount; ++n) out[n] = _cvtsh_ss(in[n]);
}

void BM_WidenF16CBuffer(benchmark::State& state) {
    const std::vector<unsigned short> values = sampleHalfBits(state);
    std::vector<float> out(kCount);
    for (auto _ : state) {
        widenBufferF16C(values.data(), out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

BENCHMARK(BM_NarrowHalf)->Arg(0)->Arg(1);
BENCHMARK(BM_NarrowF16C)->Arg(0)->Arg(1);
BENCHMARK(BM_WidenHalf)->Arg(0);
BENCHMARK(BM_WidenF16C)->Arg(0);
BENCHMARK(BM_NarrowHalfBuffer)->Arg(0)->Arg(1);
BENCHMARK(BM_NarrowF16CBuffer)->Arg(0)->Arg(1);
BENCHMARK(BM_WidenHalfBuffer)->Arg(0);
BENCHMARK(BM_WidenF16CBuffer)->Arg(0);

}  // namespace

BENCHMARK_MAIN();
