// Per-pixel float4 conversion of CPU images: byte round trips, channel
// order, clamping and truncation, addressing with offset and stride, the
// unsupported formats, and an access path that never allocates.
#include <gmock/gmock.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "CountingAllocator.h"
#include "image_runtime/images/ImageCPUUtils.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using testing::StrEq, testing::ThrowsMessage;

void expectColor(const float4& got, const float4& expected) {
    for (size_t n = 0; n < 4; ++n) EXPECT_EQ(got[n], expected[n]) << "component " << n;
}

float4 readOne(ImageCPU::tePixelFormat format, const void* pixel) {
    return readRGBAFloat4Pixel(
        ImageCPU(format, static_cast<const unsigned char*>(pixel), 1, 1, float2(1.0f), 0, 0, 0, 0),
        0, 0);
}

// Writes colour to the middle pixel of a row of three whose bytes start at
// 0xee, and returns the bytes of the row.
std::vector<unsigned char> writeMiddle(ImageCPU::tePixelFormat format, const float4& colour) {
    std::vector<unsigned char> row(3 * ImageCPU::PixelSize(format), 0xee);
    ImageCPU image(format, row.data(), 3, 1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(image, colour, 1, 0);
    return row;
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

TEST(ImageCPUUtils, WritingClampsThenTruncatesOrStoresOnlyThePixelsBytes) {
    const unsigned char e = 0xee;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float4 colour(1.5f, -0.25f, 0.2f, 0.6f);
    using Bytes = std::vector<unsigned char>;
    // Each format in its channel order; three-channel formats drop alpha.
    EXPECT_EQ(writeMiddle(ImageCPU::PIXEL_FORMAT_RGBA8, colour),
              Bytes({e, e, e, e, 255, 0, 51, 153, e, e, e, e}));
    EXPECT_EQ(writeMiddle(ImageCPU::PIXEL_FORMAT_BGRA8, colour),
              Bytes({e, e, e, e, 51, 0, 255, 153, e, e, e, e}));
    EXPECT_EQ(writeMiddle(ImageCPU::PIXEL_FORMAT_RGB8, colour),
              Bytes({e, e, e, 255, 0, 51, e, e, e}));
    EXPECT_EQ(writeMiddle(ImageCPU::PIXEL_FORMAT_BGR8, colour),
              Bytes({e, e, e, 51, 0, 255, e, e, e}));
    // Truncation, not rounding; a NaN passes the clamp and becomes 0.
    EXPECT_EQ(writeMiddle(ImageCPU::PIXEL_FORMAT_RGBA8, float4(0.5f, nan, 0.999f, 1.0f)),
              Bytes({e, e, e, e, 127, 0, 254, 255, e, e, e, e}));

    // Floats are clamped and stored as they are, NaN included.
    const Bytes rgba = writeMiddle(ImageCPU::PIXEL_FORMAT_RGBA32F, float4(2.0f, -1.0f, 0.25f, nan));
    float stored[4];
    std::memcpy(stored, rgba.data() + 16, sizeof stored);
    EXPECT_TRUE(stored[0] == 1.0f && stored[1] == 0.0f && stored[2] == 0.25f);
    EXPECT_TRUE(std::isnan(stored[3]));
    EXPECT_EQ(Bytes(rgba.begin() + 32, rgba.end()), Bytes(16, e));
    const Bytes rgb = writeMiddle(ImageCPU::PIXEL_FORMAT_RGB32F, float4(0.1f, 0.2f, 0.3f, 0.4f));
    std::memcpy(stored, rgb.data() + 12, 12);
    EXPECT_TRUE(stored[0] == 0.1f && stored[1] == 0.2f && stored[2] == 0.3f);
    EXPECT_EQ(Bytes(rgb.begin() + 24, rgb.end()), Bytes(12, e));
    // Float channels read back unclamped; three-channel formats read alpha 1.
    const float rgba32f[] = {2.0f, -1.0f, 0.25f, 7.0f};
    expectColor(readOne(ImageCPU::PIXEL_FORMAT_RGBA32F, rgba32f), float4(2.0f, -1.0f, 0.25f, 7.0f));
    expectColor(readOne(ImageCPU::PIXEL_FORMAT_RGB32F, rgba32f), float4(2.0f, -1.0f, 0.25f, 1.0f));
    expectColor(readOne(ImageCPU::PIXEL_FORMAT_BGR8, "\x0a\x14\x1e"),
                float4(30 / 255.0f, 20 / 255.0f, 10 / 255.0f, 1.0f));
}

// Which formats convert is the bulk conversions' table, tested there.
TEST(ImageCPUUtils, UnsupportedFormatsAreRefusedWithoutTouchingPixels) {
    std::vector<unsigned char> buffer(16, 0x42);
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA16, buffer.data(), 1, 1, float2(1.0f), 0, 0, 0, 0);
    const auto refused = ThrowsMessage<InternalException>(StrEq("Invalid input image type"));
    EXPECT_THAT([&] { readRGBAFloat4Pixel(image, 0, 0); }, refused);
    EXPECT_THAT([&] { writeRGBAFloat4Pixel(image, float4(0.5f), 0, 0); }, refused);
    EXPECT_EQ(buffer, std::vector<unsigned char>(16, 0x42));
}

TEST(ImageCPUUtils, SuccessfulAccessAllocatesNothing) {
    // The hook sees the library's own allocations.
    const long beforeImages = ZEV::Support::allocationCount();
    ImageCPU rgba8(ImageCPU::PIXEL_FORMAT_RGBA8, 16, 16, float2(1.0f), 0, 0, 0, 0);
    ImageCPU bgr8(ImageCPU::PIXEL_FORMAT_BGR8, 16, 16, float2(1.0f), 0, 0, 0, 0);
    ImageCPU rgba32f(ImageCPU::PIXEL_FORMAT_RGBA32F, 16, 16, float2(1.0f), 0, 0, 0, 0);
    ASSERT_GE(ZEV::Support::allocationCount() - beforeImages, 3);
    const long before = ZEV::Support::allocationCount();
    float sum = 0.0f;
    for (ImageCPU* image : {&rgba8, &bgr8, &rgba32f})
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                writeRGBAFloat4Pixel(*image, float4(x / 16.0f, y / 16.0f, 0.5f, 1.0f), x, y);
                sum += readRGBAFloat4Pixel(*image, x, y)[0];
            }
    EXPECT_EQ(ZEV::Support::allocationCount() - before, 0);
    EXPECT_GT(sum, 0.0f);
}

}  // namespace
}  // namespace ZEV
