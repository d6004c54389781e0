// Quantisation to 8 or 16 bits, a row at a time through the runtime's bulk
// conversions.
#include "Quantise.h"

#include <emmintrin.h>

#include <cstring>
#include <vector>

#include "image_runtime/images/BulkConversion.h"

namespace ZevFilter {

namespace {

// One colour's four rounded levels. SSE2, which every x86-64 processor
// has: written plainly, the clamp and the rounding do not vectorise.
__m128i levelsOf(const ZEV::float4& colour, __m128 levels) {
    // maxps gives its second operand where the first is NaN: NaN becomes 0,
    // like values below 0.
    const __m128 level =
        _mm_min_ps(_mm_max_ps(_mm_loadu_ps(colour.v), _mm_setzero_ps()), _mm_set1_ps(1.0f));
    const __m128 scaled = _mm_mul_ps(level, levels);
    const __m128i whole = _mm_cvttps_epi32(scaled);
    // scaled - trunc(scaled) is exact, so halves go up exactly as with std::lround.
    const __m128 up = _mm_cmpge_ps(_mm_sub_ps(scaled, _mm_cvtepi32_ps(whole)), _mm_set1_ps(0.5f));
    return _mm_sub_epi32(whole, _mm_castps_si128(up));
}

template <class Sample>
void quantiseImage(const ZEV::ImageCPU& image, RgbaPixels& pixels) {
    std::vector<ZEV::float4> colours(pixels.width);
    for (size_t row = 0; row < pixels.height; ++row) {
        ZEV::readRGBAFloat4Row(image, image.offsetX(), image.offsetY() + static_cast<int>(row),
                               colours.data(), colours.size());
        quantiseRow(colours.data(), colours.size(), reinterpret_cast<Sample*>(pixels.row(row)));
    }
}

}  // namespace

void quantiseRow(const ZEV::float4* colours, size_t count, uint8_t* samples) {
    const __m128 levels = _mm_set1_ps(255.0f);
    size_t n = 0;
    for (; n + 4 <= count; n += 4) {
        const __m128i low =
            _mm_packs_epi32(levelsOf(colours[n], levels), levelsOf(colours[n + 1], levels));
        const __m128i high =
            _mm_packs_epi32(levelsOf(colours[n + 2], levels), levelsOf(colours[n + 3], levels));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(samples + n * 4), _mm_packus_epi16(low, high));
    }
    const __m128i zero = _mm_setzero_si128();
    for (; n < count; ++n) {
        const __m128i words = _mm_packs_epi32(levelsOf(colours[n], levels), zero);
        const auto pixel = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, zero)));
        std::memcpy(samples + n * 4, &pixel, sizeof pixel);
    }
}

void quantiseRow(const ZEV::float4* colours, size_t count, uint16_t* samples) {
    const __m128 levels = _mm_set1_ps(65535.0f);
    // SSE2 packs to signed words only: shift the levels down by 32768 and
    // flip the top bit of each word back.
    const __m128i bias = _mm_set1_epi32(32768);
    const __m128i flip = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    const auto shifted = [&](size_t pixel) {
        return _mm_sub_epi32(levelsOf(colours[pixel], levels), bias);
    };
    size_t n = 0;
    for (; n + 2 <= count; n += 2) {
        const __m128i words = _mm_xor_si128(_mm_packs_epi32(shifted(n), shifted(n + 1)), flip);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(samples + n * 4), words);
    }
    if (n < count) {
        const __m128i words = _mm_xor_si128(_mm_packs_epi32(shifted(n), shifted(n)), flip);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(samples + n * 4), words);
    }
}

RgbaPixels quantise(const ZEV::ImageCPU& image, int bitDepth) {
    RgbaPixels pixels(image.width(), image.height(), bitDepth);
    if (bitDepth == 8 && image.pixelFormat() == ZEV::ImageCPU::PIXEL_FORMAT_RGBA8) {
        // Every byte b read as b / 255 rounds back to b: the rows as they are.
        for (size_t row = 0; row < pixels.height; ++row)
            std::memcpy(pixels.row(row),
                        image.pixels() + row * image.physicalWidth() * sizeof(ZEV::PixelRGBA8),
                        pixels.rowBytes());
    } else if (bitDepth == 8) {
        quantiseImage<uint8_t>(image, pixels);
    } else {
        quantiseImage<uint16_t>(image, pixels);
    }
    return pixels;
}

}  // namespace ZevFilter
