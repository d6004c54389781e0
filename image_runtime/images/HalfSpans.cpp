// Spans of float to half and back (BulkConversion.h). The vector paths lean
// on the processor's own conversion instructions, which round ties to even,
// and make the results those of half's rule:
//
// - Narrowing adds half a unit of the last kept place before converting with
//   round-toward-zero. For a normalised result that is 0x1000 added to the
//   float's bits, as half's fast path does; for a denormalised one the unit
//   is 2^-24, so 2^-25 is added as a float, rounded toward zero, which keeps
//   the sum's multiple of 2^-24 right. The larger of the two sums is the
//   right one for every finite float. Overflow and infinities become the
//   float infinity before converting; NaN lanes are replaced afterwards by
//   halves built from their payload. The tail goes through half itself.
// - Widening is exact in the instruction except that it quiets a signalling
//   NaN; a block holding any NaN goes through half itself.
#include <cpuid.h>
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image_runtime/images/BulkConversion.h"

namespace ZEV {

namespace {

void narrowScalar(const float* source, half* target, size_t count) {
    for (size_t n = 0; n < count; ++n) target[n] = source[n];
}

void widenScalar(const half* source, float* target, size_t count) {
    for (size_t n = 0; n < count; ++n) target[n] = source[n];
}

// Float additions round toward zero while it lives; the caller's mode is put
// back afterwards.
class RoundTowardZero {
public:
    RoundTowardZero() : saved_(_mm_getcsr()) { _mm_setcsr((saved_ & ~0x6000u) | 0x6000u); }
    ~RoundTowardZero() { _mm_setcsr(saved_); }
    RoundTowardZero(const RoundTowardZero&) = delete;
    RoundTowardZero& operator=(const RoundTowardZero&) = delete;

private:
    unsigned int saved_;
};

constexpr int kMagnitude = 0x7fffffff;
constexpr int kOverflowAbove = 0x477fefff;  // from here on the result is infinite or NaN
constexpr int kInfinity = 0x7f800000;
constexpr float kHalfDenormalUnit = 0x1p-25f;
// The 512-bit code uses zero-masking forms with every lane selected: the
// plain ones start from an undefined register, which this compiler warns about.
constexpr __mmask16 kAll = 0xffff;

// The half of each NaN lane, in the low 16 bits of its 32: the sign, the
// top ten bits of the payload, and 0x200 where those are all zero.
__attribute__((target("avx2"))) __m256i nanHalves(__m256i bits, __m256i magnitude) {
    const __m256i payload =
        _mm256_and_si256(_mm256_srli_epi32(magnitude, 13), _mm256_set1_epi32(0x3ff));
    const __m256i empty = _mm256_cmpeq_epi32(payload, _mm256_setzero_si256());
    const __m256i quiet = _mm256_and_si256(empty, _mm256_set1_epi32(0x200));
    const __m256i sign = _mm256_and_si256(_mm256_srli_epi32(bits, 16), _mm256_set1_epi32(0x8000));
    return _mm256_or_si256(_mm256_or_si256(sign, _mm256_set1_epi32(0x7c00)),
                           _mm256_or_si256(payload, quiet));
}

__attribute__((target("avx512f"))) __m512i nanHalves512(__m512i bits, __m512i magnitude) {
    const __m512i payload =
        _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, magnitude, 13), _mm512_set1_epi32(0x3ff));
    const __mmask16 empty = _mm512_cmpeq_epi32_mask(payload, _mm512_setzero_si512());
    const __m512i sign =
        _mm512_and_si512(_mm512_maskz_srli_epi32(kAll, bits, 16), _mm512_set1_epi32(0x8000));
    const __m512i quieted = _mm512_mask_or_epi32(payload, empty, payload, _mm512_set1_epi32(0x200));
    return _mm512_or_si512(_mm512_or_si512(sign, _mm512_set1_epi32(0x7c00)), quieted);
}

__attribute__((target("avx2,f16c"))) void narrowAVX2(const float* source, half* target,
                                                     size_t count) {
    const __m256i magnitudeMask = _mm256_set1_epi32(kMagnitude);
    const __m256i roundingBit = _mm256_set1_epi32(0x1000);
    const __m256 halfUnit = _mm256_set1_ps(kHalfDenormalUnit);
    const __m256i overflowAbove = _mm256_set1_epi32(kOverflowAbove);
    const __m256i infinity = _mm256_set1_epi32(kInfinity);
    const __m256i signBit = _mm256_set1_epi32(static_cast<int>(0x80000000u));
    const RoundTowardZero roundTowardZero;
    size_t n = 0;
    for (; n + 8 <= count; n += 8) {
        const __m256i bits = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + n));
        const __m256i magnitude = _mm256_and_si256(bits, magnitudeMask);
        const __m256i normal = _mm256_add_epi32(magnitude, roundingBit);
        const __m256i denormal =
            _mm256_castps_si256(_mm256_add_ps(_mm256_castsi256_ps(magnitude), halfUnit));
        __m256i rounded = _mm256_max_epi32(normal, denormal);
        const __m256i overflow = _mm256_cmpgt_epi32(magnitude, overflowAbove);
        __m256i nan = _mm256_setzero_si256();
        if (!_mm256_testz_si256(overflow, overflow)) {
            rounded = _mm256_blendv_epi8(rounded, infinity, overflow);
            nan = _mm256_cmpgt_epi32(magnitude, infinity);
        }
        const __m256i zero = _mm256_cmpeq_epi32(magnitude, _mm256_setzero_si256());
        const __m256i sign = _mm256_andnot_si256(zero, _mm256_and_si256(bits, signBit));
        __m128i halves = _mm256_cvtps_ph(_mm256_castsi256_ps(_mm256_or_si256(rounded, sign)),
                                         _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        if (!_mm256_testz_si256(nan, nan)) {
            const __m256i wide =
                _mm256_blendv_epi8(_mm256_cvtepu16_epi32(halves), nanHalves(bits, magnitude), nan);
            halves =
                _mm_packus_epi32(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(target + n), halves);
    }
    narrowScalar(source + n, target + n, count - n);
}

__attribute__((target("avx512f"))) void narrowAVX512(const float* source, half* target,
                                                     size_t count) {
    const __m512i magnitudeMask = _mm512_set1_epi32(kMagnitude);
    const __m512i roundingBit = _mm512_set1_epi32(0x1000);
    const __m512 halfUnit = _mm512_set1_ps(kHalfDenormalUnit);
    const __m512i overflowAbove = _mm512_set1_epi32(kOverflowAbove);
    const __m512i infinity = _mm512_set1_epi32(kInfinity);
    const __m512i signBit = _mm512_set1_epi32(static_cast<int>(0x80000000u));
    size_t n = 0;
    for (; n + 16 <= count; n += 16) {
        const __m512i bits = _mm512_loadu_si512(source + n);
        const __m512i magnitude = _mm512_and_si512(bits, magnitudeMask);
        const __m512i normal = _mm512_add_epi32(magnitude, roundingBit);
        const __m512i denormal = _mm512_castps_si512(
            _mm512_maskz_add_round_ps(kAll, _mm512_castsi512_ps(magnitude), halfUnit,
                                      _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC));
        __m512i rounded = _mm512_maskz_max_epi32(kAll, normal, denormal);
        const __mmask16 overflow = _mm512_cmpgt_epi32_mask(magnitude, overflowAbove);
        __mmask16 nan = 0;
        if (overflow != 0) {
            rounded = _mm512_mask_mov_epi32(rounded, overflow, infinity);
            nan = _mm512_mask_cmpgt_epi32_mask(overflow, magnitude, infinity);
        }
        const __mmask16 nonZero = _mm512_test_epi32_mask(magnitude, magnitude);
        rounded = _mm512_mask_or_epi32(rounded, nonZero, rounded, _mm512_and_si512(bits, signBit));
        __m256i halves = _mm512_maskz_cvt_roundps_ph(kAll, _mm512_castsi512_ps(rounded),
                                                     _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        if (nan != 0) {
            const __m512i wide = _mm512_mask_mov_epi32(_mm512_maskz_cvtepu16_epi32(kAll, halves),
                                                       nan, nanHalves512(bits, magnitude));
            halves = _mm512_maskz_cvtepi32_epi16(kAll, wide);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + n), halves);
    }
    narrowScalar(source + n, target + n, count - n);
}

__attribute__((target("avx2,f16c"))) void widenF16C(const half* source, float* target,
                                                    size_t count) {
    const __m256i magnitudeMask = _mm256_set1_epi16(0x7fff);
    const __m256i infinity = _mm256_set1_epi16(0x7c00);
    size_t n = 0;
    for (; n + 16 <= count; n += 16) {
        const __m256i bits = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + n));
        const __m256i nan = _mm256_cmpgt_epi16(_mm256_and_si256(bits, magnitudeMask), infinity);
        if (!_mm256_testz_si256(nan, nan)) {
            widenScalar(source + n, target + n, 16);
            continue;
        }
        _mm256_storeu_ps(target + n, _mm256_cvtph_ps(_mm256_castsi256_si128(bits)));
        _mm256_storeu_ps(target + n + 8, _mm256_cvtph_ps(_mm256_extracti128_si256(bits, 1)));
    }
    widenScalar(source + n, target + n, count - n);
}

// Asked of the processor directly: not every compiler's feature test knows
// this name.
bool hasF16C() {
    unsigned int eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (ecx & bit_F16C) != 0;
}

}  // namespace

namespace BulkConversionDetail {

Level bestLevel() {
    static const Level best = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2") && hasF16C())
            return __builtin_cpu_supports("avx512f") ? Level::AVX512 : Level::AVX2;
        return Level::Scalar;
    }();
    return best;
}

void narrowToHalf(Level level, const float* source, half* target, size_t count) {
    switch (level) {
        case Level::AVX512: return narrowAVX512(source, target, count);
        case Level::AVX2: return narrowAVX2(source, target, count);
        case Level::Scalar: break;
    }
    narrowScalar(source, target, count);
}

// No AVX-512 form: the 256-bit one keeps up with memory already.
void widenToFloat(Level level, const half* source, float* target, size_t count) {
    if (level == Level::Scalar) return widenScalar(source, target, count);
    widenF16C(source, target, count);
}

}  // namespace BulkConversionDetail

void narrowToHalf(const float* source, half* target, size_t count) {
    BulkConversionDetail::narrowToHalf(BulkConversionDetail::bestLevel(), source, target, count);
}

void widenToFloat(const half* source, float* target, size_t count) {
    BulkConversionDetail::widenToFloat(BulkConversionDetail::bestLevel(), source, target, count);
}

}  // namespace ZEV
