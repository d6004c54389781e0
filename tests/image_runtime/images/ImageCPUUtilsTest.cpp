// Per-pixel float4 conversion of CPU images: byte round trips, channel
// order, clamping and truncation, the unsupported formats, and an access path
// that never allocates.
#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <tuple>
#include <vector>

#include "CountingAllocator.h"
#include "image_runtime/images/ImageCPUUtils.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using testing::ElementsAre, testing::StrEq, testing::ThrowsMessage;
using Bytes = std::vector<unsigned char>;
using F = ImageCPU;

float4 readOne(F::tePixelFormat format, const void* pixel) {
    return readRGBAFloat4Pixel(
        ImageCPU(format, static_cast<const unsigned char*>(pixel), 1, 1, float2(1.0f), 0, 0, 0, 0),
        0, 0);
}

// Writes colour to the middle pixel of a row of three whose bytes start at
// 0xee, and returns the bytes of the row.
Bytes writeMiddle(F::tePixelFormat format, const float4& colour) {
    Bytes row(3 * F::PixelSize(format), 0xee);
    ImageCPU image(format, row.data(), 3, 1, float2(1.0f), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(image, colour, 1, 0);
    return row;
}

// Access allocates nothing, and the hook sees the library's own allocations.
TEST(ImageCPUUtils, EveryByteSurvivesReadAndWriteInEachEightBitFormatWithoutAllocating) {
    for (F::tePixelFormat format : {F::PIXEL_FORMAT_BGR8, F::PIXEL_FORMAT_BGRA8,
                                    F::PIXEL_FORMAT_RGB8, F::PIXEL_FORMAT_RGBA8}) {
        const size_t bytesPerPixel = F::PixelSize(format);
        const long beforeImages = Support::allocationCount();
        // 256 pixels; channel c of pixel n holds byte n + 64 c (mod 256), so
        // every value appears in every channel.
        ImageCPU source(format, 256, 1, float2(1.0f), 3, -2, 0, 0);
        ImageCPU target(format, 256, 1, float2(1.0f), 3, -2, 0, 0);
        for (size_t n = 0; n < 256; ++n)
            for (size_t c = 0; c < bytesPerPixel; ++c)
                source.pixels()[n * bytesPerPixel + c] = static_cast<unsigned char>(n + 64 * c);
        const long before = Support::allocationCount();
        ASSERT_GE(before - beforeImages, 2);
        for (int x = 3; x < 3 + 256; ++x)
            writeRGBAFloat4Pixel(target, readRGBAFloat4Pixel(source, x, -2), x, -2);
        EXPECT_EQ(Support::allocationCount() - before, 0) << format;
        EXPECT_EQ(std::memcmp(source.pixels(), target.pixels(), 256 * bytesPerPixel), 0) << format;
    }
}

// Bytes are clamped and truncated (NaN gives 0) in each format's channel
// order, the three-channel formats dropping alpha; floats are clamped and
// stored as they are, NaN included. Float channels read back unclamped, and
// three-channel formats read alpha 1. Formats without a conversion are
// refused untouched.
TEST(ImageCPUUtils, WritingClampsThenTruncatesOrStoresOnlyThePixelsBytes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float4 colour(1.5f, 0.2f, nan, 0.6f);
    const auto floats = [](std::initializer_list<float> values) {
        Bytes bytes(values.size() * sizeof(float));
        std::memcpy(bytes.data(), values.begin(), bytes.size());
        return bytes;
    };
    const std::tuple<F::tePixelFormat, float4, Bytes> writes[] = {
        {F::PIXEL_FORMAT_RGBA8, colour, {255, 51, 0, 153}},
        {F::PIXEL_FORMAT_BGRA8, colour, {0, 51, 255, 153}},
        {F::PIXEL_FORMAT_RGB8, colour, {255, 51, 0}},
        {F::PIXEL_FORMAT_BGR8, colour, {0, 51, 255}},
        {F::PIXEL_FORMAT_RGBA8, float4(0.5f, -0.25f, 0.999f, 1), {127, 0, 254, 255}},
        {F::PIXEL_FORMAT_RGBA32F, colour, floats({1, 0.2f, nan, 0.6f})},
        {F::PIXEL_FORMAT_RGB32F, float4(-1, 0.25f, 2, 0.4f), floats({0, 0.25f, 1})}};
    for (const auto& [format, written, pixel] : writes) {
        Bytes expected(3 * pixel.size(), 0xee);
        std::copy(pixel.begin(), pixel.end(), expected.begin() + pixel.size());
        EXPECT_EQ(writeMiddle(format, written), expected) << format;
    }
    const float rgba32f[] = {2.0f, -1.0f, 0.25f, 7.0f};
    EXPECT_THAT(readOne(F::PIXEL_FORMAT_RGBA32F, rgba32f).v, ElementsAre(2, -1, 0.25f, 7));
    EXPECT_THAT(readOne(F::PIXEL_FORMAT_RGB32F, rgba32f).v, ElementsAre(2, -1, 0.25f, 1));
    EXPECT_THAT(readOne(F::PIXEL_FORMAT_BGR8, "\x0a\x14\x1e").v,
                ElementsAre(30 / 255.0f, 20 / 255.0f, 10 / 255.0f, 1));

    Bytes buffer(8, 0x42);
    ImageCPU rgba16(F::PIXEL_FORMAT_RGBA16, buffer.data(), 1, 1, float2(1.0f), 0, 0, 0, 0);
    const auto refused = ThrowsMessage<InternalException>(StrEq("Invalid input image type"));
    EXPECT_THAT([&] { readRGBAFloat4Pixel(rgba16, 0, 0); }, refused);
    EXPECT_THAT([&] { writeRGBAFloat4Pixel(rgba16, float4(0.5f), 0, 0); }, refused);
    EXPECT_EQ(buffer, Bytes(8, 0x42));
}

}  // namespace
}  // namespace ZEV
