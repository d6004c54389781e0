// Spans of pixels to and from float4 (BulkConversion.h). Every format runs
// the per-pixel templates of ImageCPUUtils.h in a loop; the 8-bit formats
// have a vector path besides, whose byte shuffles are built from the
// format's layout in PixelFormatTable.h.
//
// The vector read divides by 255 as a multiplication by 1/255 in double
// precision, rounded once to float: for every byte that is the float
// quotient v / 255.0f itself, which a float multiplication is not.
#include "image_runtime/images/BulkConversion.h"

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
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
        colors[n] = ImageCPUUtilsDetail::readPixel<Format>(pixels + n * bytes);
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

[[noreturn]] void invalidFormat(int line) {
    std::ostringstream message;
    message << "Invalid input image type";
    throwAt<InternalException>("image_runtime/images/BulkConversion", line, message.str());
}

bool vectorBytes(Level level, ImageCPU::tePixelFormat format) {
    return level != Level::Scalar &&
           PixelFormatTable::entry(format).layout.component == Component::Byte;
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
    if (vectorBytes(level, format))
        return readBytesAVX2(PixelFormatTable::entry(format).layout, bytes, colors, count);
    const bool known = ImageCPUUtilsDetail::withConvertibleFormat(
        format, [&](auto f) { readScalar<decltype(f)::value>(bytes, colors, count); });
    if (!known) invalidFormat(__LINE__);
}

void writeRGBAFloat4Pixels(Level level, ImageCPU::tePixelFormat format, const float4* colors,
                           void* pixels, size_t count) {
    auto* bytes = static_cast<unsigned char*>(pixels);
    if (vectorBytes(level, format))
        return writeBytesAVX2(PixelFormatTable::entry(format).layout, colors, bytes, count);
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
