// Spans of pixels to and from float4 (BulkConversion.h). Every format runs
// the per-pixel templates of ImageCPUUtils.h in a loop; each component type
// has a vector path besides, driven by the format's layout in
// PixelFormatTable.h (the byte shuffles of the 8-bit formats are built
// from it).
//
// The vector read divides by 255 as a multiplication by 1/255 in double
// precision, rounded once to float: for every byte that is the float
// quotient v / 255.0f itself, which a float multiplication is not.
#include "image_runtime/images/BulkConversion.h"

#include <immintrin.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sstream>

#include "image_runtime/images/ImageCPUUtils.h"
#include "image_runtime/images/PixelFormatTable.h"
#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"

namespace ZEV {

namespace {

using BulkConversionDetail::Level;
using PixelFormatTable::Component;
using PixelFormatTable::Layout;

template <int Format>
void readScalar(const unsigned char* pixels, float4* colors, size_t count) {
    constexpr size_t bytes = PixelFormatTable::layoutBytes(ImageCPUUtilsDetail::kLayout<Format>);
    for (size_t n = 0; n < count; ++n)
        colors[n] = ImageCPUUtilsDetail::toFloat4(
            ImageCPUUtilsDetail::readPixel<Format>(pixels + n * bytes));
}

template <int Format>
void writeScalar(const float4* colors, unsigned char* pixels, size_t count) {
    constexpr size_t bytes = PixelFormatTable::layoutBytes(ImageCPUUtilsDetail::kLayout<Format>);
    for (size_t n = 0; n < count; ++n)
        ImageCPUUtilsDetail::writePixel<Format>(pixels + n * bytes, clampToUnitRange(colors[n]));
}

// Byte shuffles for two pixels of an 8-bit layout: memory order to red,
// green, blue, alpha and back. 0x80 clears a byte.
struct ByteShuffles {
    alignas(16) unsigned char toColour[16];
    alignas(16) unsigned char opaque[16];  // 255 where the layout has no alpha
    alignas(16) unsigned char toMemory[16];
};

ByteShuffles shufflesFor(const Layout& layout) {
    ByteShuffles s{};
    for (int n = 0; n < 16; ++n) s.toColour[n] = s.toMemory[n] = 0x80;
    for (int pixel = 0; pixel < 2; ++pixel)
        for (int k = 0; k < 4; ++k) {
            const bool present = k < layout.count;
            const int colour = pixel * 4 + (present ? layout.colour[k] : 3);
            if (present) {
                s.toColour[colour] = static_cast<unsigned char>(pixel * layout.count + k);
                s.toMemory[pixel * layout.count + k] = static_cast<unsigned char>(colour);
            } else {
                s.opaque[colour] = 0xff;
            }
        }
    return s;
}

__attribute__((target("avx2"))) void readBytesAVX2(const Layout& layout,
                                                   const unsigned char* pixels, float4* colors,
                                                   size_t count) {
    const ByteShuffles s = shufflesFor(layout);
    const __m128i toColour = _mm_load_si128(reinterpret_cast<const __m128i*>(s.toColour));
    const __m128i opaque = _mm_load_si128(reinterpret_cast<const __m128i*>(s.opaque));
    const __m256d reciprocal = _mm256_set1_pd(1.0 / 255.0);
    const size_t stride = layout.count;
    size_t n = 0;
    // Eight bytes are loaded for two pixels; three-byte pixels need a third
    // pixel behind them for the load to stay inside the span.
    const size_t reach = stride == 4 ? 2 : 3;
    for (; n + reach <= count; n += 2) {
        const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels + n * stride));
        const __m256i values =
            _mm256_cvtepu8_epi32(_mm_or_si128(_mm_shuffle_epi8(raw, toColour), opaque));
        const __m256d first =
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(values)), reciprocal);
        const __m256d second =
            _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(values, 1)), reciprocal);
        _mm_storeu_ps(colors[n].v, _mm256_cvtpd_ps(first));
        _mm_storeu_ps(colors[n + 1].v, _mm256_cvtpd_ps(second));
    }
    for (; n < count; ++n) {
        float4 colour(0.0f, 0.0f, 0.0f, 1.0f);
        for (unsigned int k = 0; k < layout.count; ++k)
            colour[layout.colour[k]] = ImageCPUUtilsDetail::fromByte(pixels[n * stride + k]);
        colors[n] = colour;
    }
}

__attribute__((target("avx2"))) void writeBytesAVX2(const Layout& layout, const float4* colors,
                                                    unsigned char* pixels, size_t count) {
    const ByteShuffles s = shufflesFor(layout);
    const __m128i toMemory = _mm_load_si128(reinterpret_cast<const __m128i*>(s.toMemory));
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256 scale = _mm256_set1_ps(255.0f);
    const size_t stride = layout.count;
    size_t n = 0;
    // Eight bytes are stored for two pixels; for three-byte pixels the two
    // extra bytes fall into the next pixel of the span, which is written
    // after them.
    const size_t reach = stride == 4 ? 2 : 3;
    for (; n + reach <= count; n += 2) {
        const __m256 colour = _mm256_loadu_ps(colors[n].v);
        // min(1, c) and max(0, c) keep a NaN c; it truncates to the integer
        // 0x80000000, which the unsigned packing saturates to 0.
        const __m256 clamped = _mm256_max_ps(_mm256_setzero_ps(), _mm256_min_ps(one, colour));
        const __m256i words = _mm256_cvttps_epi32(_mm256_mul_ps(clamped, scale));
        const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(words, words), words);
        const __m128i both =
            _mm_unpacklo_epi32(_mm256_castsi256_si128(bytes), _mm256_extracti128_si256(bytes, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(pixels + n * stride),
                         _mm_shuffle_epi8(both, toMemory));
    }
    for (; n < count; ++n) {
        const float4 clamped = clampToUnitRange(colors[n]);
        for (unsigned int k = 0; k < layout.count; ++k)
            pixels[n * stride + k] = ImageCPUUtilsDetail::toByte(clamped[layout.colour[k]]);
    }
}

// The float and half layouts with a vector path: the colours are clamped
// with min(1, c) then max(0, c), which is the per-pixel clamp NaNs included,
// and half components go through the half spans in chunks staged on the
// stack. A three-component pixel is moved as four floats; the fourth falls
// into the next pixel of the span, which is handled after it.
constexpr size_t kStage = 256;

__attribute__((target("avx2"))) __m128 clamp(__m128 colour) {
    return _mm_max_ps(_mm_setzero_ps(), _mm_min_ps(_mm_set1_ps(1.0f), colour));
}

__attribute__((target("avx2"))) void readFloatsAVX2(Level level, const Layout& layout,
                                                    const unsigned char* pixels, float4* colors,
                                                    size_t count) {
    const size_t components = layout.count;
    const __m128 opaque = _mm_set1_ps(1.0f);
    if (layout.component == Component::Float) {
        const auto* floats = reinterpret_cast<const float*>(pixels);
        if (components == 4) {
            std::memcpy(static_cast<void*>(colors), floats, count * sizeof(float4));
            return;
        }
        size_t n = 0;
        for (; n + 1 < count; ++n)
            _mm_storeu_ps(colors[n].v, _mm_blend_ps(_mm_loadu_ps(floats + 3 * n), opaque, 8));
        if (n < count)
            colors[n] = float4(floats[3 * n], floats[3 * n + 1], floats[3 * n + 2], 1.0f);
        return;
    }
    const auto* halves = reinterpret_cast<const half*>(pixels);
    if (components == 4)
        return BulkConversionDetail::widenToFloat(level, halves, colors->v, count * 4);
    alignas(32) float stage[3 * kStage + 1];
    for (size_t first = 0; first < count; first += kStage) {
        const size_t chunk = std::min(kStage, count - first);
        BulkConversionDetail::widenToFloat(level, halves + 3 * first, stage, 3 * chunk);
        for (size_t n = 0; n < chunk; ++n)
            _mm_storeu_ps(colors[first + n].v,
                          _mm_blend_ps(_mm_loadu_ps(stage + 3 * n), opaque, 8));
    }
}

__attribute__((target("avx2"))) void writeFloatsAVX2(Level level, const Layout& layout,
                                                     const float4* colors, unsigned char* pixels,
                                                     size_t count) {
    const size_t components = layout.count;
    if (layout.component == Component::Float) {
        auto* floats = reinterpret_cast<float*>(pixels);
        size_t n = 0;
        for (; n + (components == 4 ? 0 : 1) < count; ++n)
            _mm_storeu_ps(floats + components * n, clamp(_mm_loadu_ps(colors[n].v)));
        if (n < count) {
            const float4 clamped = clampToUnitRange(colors[n]);
            std::memcpy(floats + components * n, clamped.v, components * sizeof(float));
        }
        return;
    }
    auto* halves = reinterpret_cast<half*>(pixels);
    alignas(32) float stage[4 * kStage + 1];
    for (size_t first = 0; first < count; first += kStage) {
        const size_t chunk = std::min(kStage, count - first);
        for (size_t n = 0; n < chunk; ++n)
            _mm_storeu_ps(stage + components * n, clamp(_mm_loadu_ps(colors[first + n].v)));
        BulkConversionDetail::narrowToHalf(level, stage, halves + components * first,
                                           components * chunk);
    }
}

[[noreturn]] void invalidFormat(int line) {
    std::ostringstream message;
    message << "Invalid input image type";
    throwAt<InternalException>("image_runtime/images/BulkConversion", line, message.str());
}

Component vectorComponent(Level level, ImageCPU::tePixelFormat format) {
    return level == Level::Scalar ? Component::None
                                  : PixelFormatTable::entry(format).layout.component;
}

// The span of image row y from column x on, checked to lie within the row.
size_t rowStart(const ImageCPU& image, int x, int y, size_t count) {
    const int64_t column = int64_t{x} - image.offsetX();
    const int64_t row = int64_t{y} - image.offsetY();
    if (column < 0 || row < 0 || static_cast<uint64_t>(row) >= image.height() ||
        static_cast<uint64_t>(column) + count > image.width()) {
        throwAt<ParameterException>("image_runtime/images/BulkConversion", __LINE__,
                                    "the pixels lie within one row of the image");
    }
    return static_cast<size_t>(row) * image.physicalWidth() + static_cast<size_t>(column);
}

}  // namespace

namespace BulkConversionDetail {

void readRGBAFloat4Pixels(Level level, ImageCPU::tePixelFormat format, const void* pixels,
                          float4* colors, size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    const Layout& layout = PixelFormatTable::entry(format).layout;
    switch (vectorComponent(level, format)) {
        case Component::Byte: return readBytesAVX2(layout, bytes, colors, count);
        case Component::Half:
        case Component::Float: return readFloatsAVX2(level, layout, bytes, colors, count);
        case Component::None: break;
    }
    const bool known = ImageCPUUtilsDetail::withConvertibleFormat(
        format, [&](auto f) { readScalar<decltype(f)::value>(bytes, colors, count); });
    if (!known) invalidFormat(__LINE__);
}

void writeRGBAFloat4Pixels(Level level, ImageCPU::tePixelFormat format, const float4* colors,
                           void* pixels, size_t count) {
    auto* bytes = static_cast<unsigned char*>(pixels);
    const Layout& layout = PixelFormatTable::entry(format).layout;
    switch (vectorComponent(level, format)) {
        case Component::Byte: return writeBytesAVX2(layout, colors, bytes, count);
        case Component::Half:
        case Component::Float: return writeFloatsAVX2(level, layout, colors, bytes, count);
        case Component::None: break;
    }
    const bool known = ImageCPUUtilsDetail::withConvertibleFormat(
        format, [&](auto f) { writeScalar<decltype(f)::value>(colors, bytes, count); });
    if (!known) invalidFormat(__LINE__);
}

}  // namespace BulkConversionDetail

void readRGBAFloat4Pixels(ImageCPU::tePixelFormat format, const void* pixels, float4* colors,
                          size_t count) {
    BulkConversionDetail::readRGBAFloat4Pixels(BulkConversionDetail::bestLevel(), format, pixels,
                                               colors, count);
}

void writeRGBAFloat4Pixels(ImageCPU::tePixelFormat format, const float4* colors, void* pixels,
                           size_t count) {
    BulkConversionDetail::writeRGBAFloat4Pixels(BulkConversionDetail::bestLevel(), format, colors,
                                                pixels, count);
}

void readRGBAFloat4Row(const ImageCPU& image, int x, int y, float4* colors, size_t count) {
    const size_t start = rowStart(image, x, y, count);
    const size_t bytes =
        PixelFormatTable::layoutBytes(PixelFormatTable::entry(image.pixelFormat()).layout);
    readRGBAFloat4Pixels(image.pixelFormat(), image.pixels() + start * bytes, colors, count);
}

void writeRGBAFloat4Row(ImageCPU& image, const float4* colors, int x, int y, size_t count) {
    const size_t start = rowStart(image, x, y, count);
    const size_t bytes =
        PixelFormatTable::layoutBytes(PixelFormatTable::entry(image.pixelFormat()).layout);
    writeRGBAFloat4Pixels(image.pixelFormat(), colors, image.pixels() + start * bytes, count);
}

}  // namespace ZEV
