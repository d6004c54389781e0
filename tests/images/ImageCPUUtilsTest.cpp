// Per-pixel float4 conversion of CPU images: byte round trips, channel
// order, clamping and truncation, addressing with offset and stride, the
// unsupported formats, and an access path that never allocates.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "image_runtime/images/ImageCPUUtils.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

// Counts every allocation of this program, so that a test can check that a
// stretch of code allocates nothing.
namespace {
std::atomic<long> gAllocations{0};

void* countedAllocation(size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(size_t size) { return countedAllocation(size); }
void* operator new[](size_t size) { return countedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace ZEV {
namespace {

using Test::throwsWith;

void expectColor(const float4& got, const float4& expected) {
    for (size_t n = 0; n < 4; ++n) EXPECT_EQ(got[n], expected[n]) << "component " << n;
}

TEST(ImageCPUUtils, EveryByteSurvivesReadAndWriteInEachEightBitFormat) {
    for (ImageCPU::tePixelFormat format :
         {ImageCPU::PIXEL_FORMAT_BGR8, ImageCPU::PIXEL_FORMAT_BGRA8, ImageCPU::PIXEL_FORMAT_RGB8,
          ImageCPU::PIXEL_FORMAT_RGBA8}) {
        const size_t bytesPerPixel = ImageCPU::PixelSize(format);
        // 256 pixels; channel c of pixel n holds byte n + 64 c (mod 256), so
        // every value appears in every channel.
        ImageCPU source(format, 256, 1, float2(1.0f), 3, -2, 0, 0);
        ImageCPU target(format, 256, 1, float2(1.0f), 3, -2, 0, 0);
        for (size_t n = 0; n < 256; ++n)
            for (size_t c = 0; c < bytesPerPixel; ++c)
                source.pixels()[n * bytesPerPixel + c] = static_cast<unsigned char>(n + 64 * c);
        for (int x = 3; x < 3 + 256; ++x)
            writeRGBAFloat4Pixel(target, readRGBAFloat4Pixel(source, x, -2), x, -2);
        EXPECT_EQ(std::memcmp(source.pixels(), target.pixels(), 256 * bytesPerPixel), 0) << format;
    }
}

TEST(ImageCPUUtils, ReadingFollowsEachFormatsChannelOrder) {
    unsigned char bgr[] = {10, 20, 30};
    expectColor(
        readRGBAFloat4Pixel(
            ImageCPU(ImageCPU::PIXEL_FORMAT_BGR8, bgr, 1, 1, float2(1.0f), 0, 0, 0, 0), 0, 0),
        float4(30 / 255.0f, 20 / 255.0f, 10 / 255.0f, 1.0f));
    expectColor(
        readRGBAFloat4Pixel(
            ImageCPU(ImageCPU::PIXEL_FORMAT_RGB8, bgr, 1, 1, float2(1.0f), 0, 0, 0, 0), 0, 0),
        float4(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f));
    unsigned char bgra[] = {0, 0, 255, 128};
    expectColor(
        readRGBAFloat4Pixel(
            ImageCPU(ImageCPU::PIXEL_FORMAT_BGRA8, bgra, 1, 1, float2(1.0f), 0, 0, 0, 0), 0, 0),
        float4(1.0f, 0.0f, 0.0f, 128 / 255.0f));
    expectColor(
        readRGBAFloat4Pixel(
            ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA8, bgra, 1, 1, float2(1.0f), 0, 0, 0, 0), 0, 0),
        float4(0.0f, 0.0f, 1.0f, 128 / 255.0f));

    // Float channels come back unclamped.
    const float rgba[] = {2.0f, -1.0f, 0.25f, 7.0f};
    const auto* floatBytes = reinterpret_cast<const unsigned char*>(rgba);
    expectColor(readRGBAFloat4Pixel(ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA32F, floatBytes, 1, 1,
                                             float2(1.0f), 0, 0, 0, 0),
                                    0, 0),
                float4(2.0f, -1.0f, 0.25f, 7.0f));
    expectColor(readRGBAFloat4Pixel(ImageCPU(ImageCPU::PIXEL_FORMAT_RGB32F, floatBytes, 1, 1,
                                             float2(1.0f), 0, 0, 0, 0),
                                    0, 0),
                float4(2.0f, -1.0f, 0.25f, 1.0f));
}

TEST(ImageCPUUtils, WritingClampsThenTruncatesOrStores) {
    unsigned char rgba8[8] = {};
    ImageCPU bytes(ImageCPU::PIXEL_FORMAT_RGBA8, rgba8, 2, 1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(bytes, float4(0.5f, 1.5f, -0.25f, 2.0f), 1, 0);
    const unsigned char expected[] = {0, 0, 0, 0, 127, 255, 0, 255};
    EXPECT_EQ(std::memcmp(rgba8, expected, 8), 0);

    // A NaN passes the clamp: 0 in a byte, NaN in a float.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    writeRGBAFloat4Pixel(bytes, float4(nan, 1.0f, nan, 0.999f), 0, 0);
    const unsigned char withNan[] = {0, 255, 0, 254};
    EXPECT_EQ(std::memcmp(rgba8, withNan, 4), 0);

    float rgba32[4] = {};
    ImageCPU floats(ImageCPU::PIXEL_FORMAT_RGBA32F, reinterpret_cast<unsigned char*>(rgba32), 1, 1,
                    float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(floats, float4(2.0f, -1.0f, 0.25f, 0.75f), 0, 0);
    EXPECT_EQ(rgba32[0], 1.0f);
    EXPECT_EQ(rgba32[1], 0.0f);
    EXPECT_EQ(rgba32[2], 0.25f);
    EXPECT_EQ(rgba32[3], 0.75f);
    writeRGBAFloat4Pixel(floats, float4(nan, 0.5f, 0.5f, 0.5f), 0, 0);
    EXPECT_TRUE(std::isnan(rgba32[0]));

    // Three-channel formats write exactly their bytes, in their order, and
    // drop alpha.
    unsigned char rgb[9];
    std::memset(rgb, 0xee, sizeof rgb);
    ImageCPU bgrImage(ImageCPU::PIXEL_FORMAT_BGR8, rgb, 3, 1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(bgrImage, float4(1.0f, 0.0f, 0.2f, 0.0f), 1, 0);
    const unsigned char bgrExpected[] = {0xee, 0xee, 0xee, 51, 0, 255, 0xee, 0xee, 0xee};
    EXPECT_EQ(std::memcmp(rgb, bgrExpected, 9), 0);
    ImageCPU rgbImage(ImageCPU::PIXEL_FORMAT_RGB8, rgb, 3, 1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(rgbImage, float4(1.0f, 0.0f, 0.2f, 0.0f), 1, 0);
    const unsigned char rgbExpected[] = {0xee, 0xee, 0xee, 255, 0, 51, 0xee, 0xee, 0xee};
    EXPECT_EQ(std::memcmp(rgb, rgbExpected, 9), 0);

    unsigned char bgra[4] = {};
    ImageCPU bgraImage(ImageCPU::PIXEL_FORMAT_BGRA8, bgra, 1, 1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(bgraImage, float4(1.0f, 0.0f, 0.2f, 0.6f), 0, 0);
    const unsigned char bgraExpected[] = {51, 0, 255, 153};
    EXPECT_EQ(std::memcmp(bgra, bgraExpected, 4), 0);

    float rgb32[6] = {-5.0f, -5.0f, -5.0f, -5.0f, -5.0f, -5.0f};
    ImageCPU rgb32Image(ImageCPU::PIXEL_FORMAT_RGB32F, reinterpret_cast<unsigned char*>(rgb32), 2,
                        1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(rgb32Image, float4(0.1f, 0.2f, 0.3f, 0.4f), 0, 0);
    EXPECT_EQ(rgb32[2], 0.3f);
    EXPECT_EQ(rgb32[3], -5.0f);
}

TEST(ImageCPUUtils, ClampToUnitRange) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    expectColor(clampToUnitRange(float4(-0.5f, 0.0f, 1.0f, 1.0001f)),
                float4(0.0f, 0.0f, 1.0f, 1.0f));
    expectColor(clampToUnitRange(float4(inf, -inf, 0.5f, 1e-30f)),
                float4(1.0f, 0.0f, 0.5f, 1e-30f));
    const float4 withNan = clampToUnitRange(float4(nan, -0.0f, 2.0f, nan));
    EXPECT_TRUE(std::isnan(withNan[0]));
    EXPECT_TRUE(std::signbit(withNan[1]));  // -0 is not below 0
    EXPECT_EQ(withNan[2], 1.0f);
    EXPECT_TRUE(std::isnan(withNan[3]));
}

TEST(ImageCPUUtils, PixelsAreAddressedThroughOffsetAndStride) {
    // 3 x 2 pixels at (10, 20), rows 5 pixels apart.
    std::vector<unsigned char> buffer(size_t{5} * 2 * 4);
    for (size_t n = 0; n < buffer.size(); ++n) buffer[n] = static_cast<unsigned char>(n);
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA8, buffer.data(), 3, 2, float2(1.0f), 10, 20, 5, 2);
    expectColor(readRGBAFloat4Pixel(image, 10, 20),
                float4(0 / 255.0f, 1 / 255.0f, 2 / 255.0f, 3 / 255.0f));
    expectColor(readRGBAFloat4Pixel(image, 10, 21),
                float4(20 / 255.0f, 21 / 255.0f, 22 / 255.0f, 23 / 255.0f));
    expectColor(readRGBAFloat4Pixel(image, 12, 21),
                float4(28 / 255.0f, 29 / 255.0f, 30 / 255.0f, 31 / 255.0f));

    // Negative offsets, and a write that lands where the read finds it.
    ImageCPU negative(ImageCPU::PIXEL_FORMAT_RGBA8, buffer.data(), 3, 2, float2(1.0f), -7, -1, 5,
                      2);
    writeRGBAFloat4Pixel(negative, float4(1.0f), -6, 0);
    EXPECT_EQ(buffer[size_t{5 + 1} * 4], 255);
    expectColor(readRGBAFloat4Pixel(image, 11, 21), float4(1.0f));
}

TEST(ImageCPUUtils, UnsupportedFormatsAreRefusedWithoutTouchingPixels) {
    for (ImageCPU::tePixelFormat format :
         {ImageCPU::PIXEL_FORMAT_LUMINANCE8, ImageCPU::PIXEL_FORMAT_RGB16,
          ImageCPU::PIXEL_FORMAT_RGBA16, ImageCPU::PIXEL_FORMAT_LUMINANCE32F,
          ImageCPU::PIXEL_FORMAT_LUMINANCE_ALPHA8, ImageCPU::PIXEL_FORMAT_LUMINANCE_ALPHA32F}) {
        std::vector<unsigned char> buffer(16, 0x42);
        ImageCPU image(format, buffer.data(), 1, 1, float2(1.0f), 0, 0, 0, 0);
        EXPECT_TRUE(throwsWith<InternalException>([&] { readRGBAFloat4Pixel(image, 0, 0); },
                                                  "Invalid input image type"))
            << format;
        EXPECT_TRUE(throwsWith<InternalException>(
            [&] { writeRGBAFloat4Pixel(image, float4(0.5f), 0, 0); }, "Invalid input image type"))
            << format;
        EXPECT_EQ(buffer, std::vector<unsigned char>(16, 0x42));
    }
    ImageCPU undefined;
    try {
        readRGBAFloat4Pixel(undefined, 0, 0);
        ADD_FAILURE() << "nothing thrown";
    } catch (const InternalException& e) {
        EXPECT_STREQ(e.file(), "image_runtime/images/ImageCPUUtils");
    }
}

TEST(ImageCPUUtils, SuccessfulAccessAllocatesNothing) {
    // The hook sees the library's own allocations.
    const long beforeImages = gAllocations.load();
    ImageCPU rgba8(ImageCPU::PIXEL_FORMAT_RGBA8, 16, 16, float2(1.0f), 0, 0, 0, 0);
    ImageCPU bgr8(ImageCPU::PIXEL_FORMAT_BGR8, 16, 16, float2(1.0f), 0, 0, 0, 0);
    ImageCPU rgba32f(ImageCPU::PIXEL_FORMAT_RGBA32F, 16, 16, float2(1.0f), 0, 0, 0, 0);
    ASSERT_GE(gAllocations.load() - beforeImages, 3);
    const long before = gAllocations.load();
    float sum = 0.0f;
    for (ImageCPU* image : {&rgba8, &bgr8, &rgba32f})
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                writeRGBAFloat4Pixel(*image, float4(x / 16.0f, y / 16.0f, 0.5f, 1.0f), x, y);
                sum += readRGBAFloat4Pixel(*image, x, y)[0];
            }
    EXPECT_EQ(gAllocations.load() - before, 0);
    EXPECT_GT(sum, 0.0f);
}

}  // namespace
}  // namespace ZEV
