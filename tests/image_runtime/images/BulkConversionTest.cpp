// Bulk conversions at every instruction-set level this processor has: every
// float narrowed and every half widened, every convertible pixel format read
// and written against the per-pixel rules, and rows of images.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "image_runtime/images/BulkConversion.h"
#include "image_runtime/images/ImageCPUUtils.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using BulkConversionDetail::Level;

std::vector<Level> levels() {  // the instruction-set levels this processor has
    std::vector<Level> all{Level::Scalar, Level::AVX2, Level::AVX512};
    all.resize(static_cast<size_t>(BulkConversionDetail::bestLevel()) + 1);
    return all;
}

uint32_t bitsOf(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The half nearest to a finite, non-zero float, exact ties away from zero,
// magnitudes from 65520 on to infinity, from the definition of binary16: the
// value, scaled (in doubles) so that a unit in the last place of its half
// binade becomes 1, is rounded to an integer.
unsigned short nearestHalf(float f) {
    // 2^(10 - e) for the half binade e of each float exponent field.
    static const std::array<double, 256> scale = [] {
        std::array<double, 256> table{};
        for (int field = 0; field < 256; ++field)
            table[field] = std::ldexp(1.0, 10 - std::max(field - 127, -14));
        return table;
    }();
    const double magnitude = std::fabs(static_cast<double>(f));
    const unsigned short sign = std::signbit(f) ? 0x8000 : 0;
    if (magnitude >= 65520.0) return sign | 0x7c00;
    const int field = (bitsOf(f) >> 23) & 0xff;
    int exponent = std::max(field - 127, -14);
    const double units = magnitude * scale[field];
    auto rounded = static_cast<int64_t>(units);
    if (units - static_cast<double>(rounded) >= 0.5) ++rounded;
    if (exponent == -14 && rounded < 1024) return sign | static_cast<unsigned short>(rounded);
    if (rounded == 2048) {
        rounded = 1024;
        ++exponent;
    }
    return sign | static_cast<unsigned short>(((exponent + 15) << 10) | (rounded - 1024));
}

// Narrows patterns first, first + stride, ... per value (the scalar level) and
// at every vector level; counts values off the nearest half (or, for NaNs, not
// a NaN of the same sign) and chunks a vector level narrows differently.
uint64_t narrowingErrors(uint64_t first, uint64_t stride, std::atomic<uint32_t>& wrong) {
    constexpr size_t kChunk = 4096;
    std::vector<float> source(kChunk);
    std::vector<half> expected(kChunk), bulk(kChunk);
    uint64_t errors = 0;
    for (uint64_t pattern = first; pattern < (uint64_t{1} << 32);) {
        size_t count = 0;
        for (; count < kChunk && pattern < (uint64_t{1} << 32); ++count, pattern += stride) {
            const auto bits = static_cast<uint32_t>(pattern);
            std::memcpy(&source[count], &bits, sizeof bits);
        }
        for (size_t n = 0; n < count; ++n) {
            const float f = source[n];
            expected[n] = f;
            const unsigned int got = expected[n].bits();
            const bool right = std::isnan(f) ? (got & 0x7c00) == 0x7c00 && (got & 0x3ff) != 0 &&
                                                   ((got & 0x8000) != 0) == std::signbit(f)
                                             : got == (f == 0.0f ? 0u : nearestHalf(f));
            if (!right && errors++ == 0) wrong = bitsOf(f);
        }
        for (Level level : levels()) {
            if (level == Level::Scalar) continue;
            BulkConversionDetail::narrowToHalf(level, source.data(), bulk.data(), count);
            if (std::memcmp(bulk.data(), expected.data(), count * sizeof(half)) != 0 &&
                errors++ == 0)
                wrong = bitsOf(source[0]);
        }
    }
    return errors;
}

TEST(BulkConversion, EveryFloatNarrowsToTheNearestHalfWithTiesAwayFromZero) {
    std::atomic<uint64_t> errors{0};
    std::atomic<uint32_t> wrong{0};
    ZEV::Test::sweepEveryFloatPattern(
        [&](uint64_t first, uint64_t stride) { errors += narrowingErrors(first, stride, wrong); });
    EXPECT_EQ(errors, 0u) << "wrong pattern (or first of a chunk) 0x" << std::hex << wrong;
}

TEST(BulkConversion, EveryHalfWidensExactlyWithItsPayload) {
    std::vector<half> source(65536 + 5);  // a tail after the vector blocks
    for (size_t n = 0; n < source.size(); ++n) source[n].setBits(static_cast<unsigned short>(n));
    for (Level level : levels()) {
        std::vector<float> bulk(source.size());
        BulkConversionDetail::widenToFloat(level, source.data(), bulk.data(), source.size());
        for (size_t n = 0; n < source.size(); ++n)
            ASSERT_EQ(bitsOf(bulk[n]), bitsOf(source[n])) << n << " at " << int(level);
    }
}

// Colours around every rule: each byte value / 255, out of range, NaN, -0,
// tiny and huge, then a spread over [-0.1, 1.1].
std::vector<float4> probeColours() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float special[] = {0.5f,    1.5f, -0.25f, 2.0f, nan,  -0.0f,   1e-30f,
                             -1e-30f, 7e4f, 1.0f,   0.0f, -nan, 0x1p-25f};
    std::vector<float4> colours;
    colours.reserve(1001);
    for (int v = 0; v < 256; ++v) colours.emplace_back(v / 255.0f, (255 - v) / 255.0f, 1.0f, 0.0f);
    for (float a : special)
        for (float b : special) colours.emplace_back(a, b, special[(colours.size() * 7) % 13], a);
    for (int n = 0; colours.size() < 1001; ++n)
        colours.emplace_back(n * 0.0037f - 0.1f, 1.1f - n * 0.0021f, n * 0.0013f, 0.5f);
    return colours;
}

TEST(BulkConversion, PixelSpansFollowThePerPixelRulesInEveryFormat) {
    const std::vector<float4> colours = probeColours();
    const size_t count = colours.size();  // odd: the vector paths have a tail
    for (int format = 0; format <= ImageCPU::PIXEL_FORMAT_UNDEFINED + 1; ++format) {
        const auto f = static_cast<ImageCPU::tePixelFormat>(format);
        if (!PixelFormatTable::convertible(format)) {
            EXPECT_THROW(readRGBAFloat4Pixels(f, nullptr, nullptr, 4), InternalException);
            continue;
        }
        const size_t bytes = PixelFormatTable::layoutBytes(PixelFormatTable::entry(format).layout);
        // Every byte value in every position, and one guard pixel.
        std::vector<float> storage((count + 1) * bytes / 4 + 1);
        auto* pixels = reinterpret_cast<unsigned char*>(storage.data());
        for (size_t n = 0; n < (count + 1) * bytes; ++n)
            pixels[n] = static_cast<unsigned char>(n * 7);
        std::vector<float4> expected(count);
        std::vector<unsigned char> expectedBytes(pixels, pixels + (count + 1) * bytes);
        ImageCPUUtilsDetail::withConvertibleFormat(format, [&](auto tag) {
            constexpr int kFormat = decltype(tag)::value;
            for (size_t n = 0; n < count; ++n) {
                expected[n] = ImageCPUUtilsDetail::toFloat4(
                    ImageCPUUtilsDetail::readPixel<kFormat>(pixels + n * bytes));
                ImageCPUUtilsDetail::writePixel<kFormat>(&expectedBytes[n * bytes],
                                                         clampToUnitRange(colours[n]));
            }
        });
        for (Level level : levels()) {
            std::vector<float4> read(count);
            BulkConversionDetail::readRGBAFloat4Pixels(level, f, pixels, read.data(), count);
            EXPECT_EQ(std::memcmp(read.data(), expected.data(), count * sizeof(float4)), 0)
                << f << " at " << int(level);
            std::vector<float> written(storage);
            BulkConversionDetail::writeRGBAFloat4Pixels(level, f, colours.data(), written.data(),
                                                        count);
            EXPECT_EQ(std::memcmp(written.data(), expectedBytes.data(), expectedBytes.size()), 0)
                << f << " at " << int(level);
        }
    }
}

TEST(BulkConversion, RowsFollowOffsetAndStrideAndStayInsideTheRow) {
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGB8, 5, 3, float2(1.0f), 10, -4, 7, 3);
    for (size_t n = 0; n < size_t{7} * 3 * 3; ++n)
        image.pixels()[n] = static_cast<unsigned char>(n);
    std::vector<float4> row(4);
    readRGBAFloat4Row(image, 11, -3, row.data(), 4);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(row[x][0], readRGBAFloat4Pixel(image, 11 + x, -3)[0]);
    const float4 white(1.0f);
    writeRGBAFloat4Row(image, &white, 14, -2, 1);
    EXPECT_EQ(image.pixels()[(size_t{2} * 7 + 4) * 3], 255);
    EXPECT_EQ(image.pixels()[(size_t{2} * 7 + 5) * 3], 57);  // a spare column, untouched
    for (const auto& [x, y, n] : {std::tuple{9, -4, 1}, {10, -5, 1}, {10, -1, 1}, {12, -4, 4}})
        EXPECT_THROW(readRGBAFloat4Row(image, x, y, row.data(), n), ParameterException);
}

}  // namespace
}  // namespace ZEV
