// ImageCPU: format sizes, physical extent, owned, borrowed and copied
// buffers, refusals with their messages, and the printed description.
#include "image_runtime/images/ImageCPU.h"

#include <gmock/gmock.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using Format = ImageCPU::tePixelFormat;
using testing::PrintToString, testing::StrEq, testing::ThrowsMessage;

// Channels and bytes follow from each format's printed name; the formats
// with 16-bit luminance or half-float components have no CPU pixel size.
TEST(ImageCPU, FormatSizesFollowFromTheirNames) {
    const auto notImplemented =
        ThrowsMessage<InternalException>(StrEq("Not implemented: ePixelFormat in pixelSize()."));
    for (int value = 1; value <= 18; ++value) {
        const auto format = static_cast<Format>(value);
        const std::string name = PrintToString(format);
        ASSERT_EQ(name.rfind("PIXEL_FORMAT_", 0), 0u) << value;
        const std::string letters = name.substr(13, name.find_first_of("0123456789") - 13);
        const size_t channels = letters == "LUMINANCE"         ? 1
                                : letters == "LUMINANCE_ALPHA" ? 2
                                                               : letters.size();
        const size_t bits = std::stoul(name.substr(name.find_first_of("0123456789")));
        EXPECT_TRUE(value > 14 || ImageCPU::channelCount(format) == channels) << name;
        if (value == 10 || (value >= 13 && value != 14))
            EXPECT_THAT([&] { ImageCPU::PixelSize(format); }, notImplemented) << name;
        else
            EXPECT_EQ(ImageCPU::PixelSize(format), channels * bits / 8) << name;
    }
    for (const int value : {0, 15, 19, -1})
        EXPECT_THAT([&] { ImageCPU::channelCount(static_cast<Format>(value)); },
                    ThrowsMessage<InternalException>(
                        StrEq("Pixel format not supported by ZEV in CPU mode")));
    EXPECT_EQ(PrintToString(ImageCPU::PIXEL_FORMAT_UNDEFINED), "PIXEL_FORMAT_UNDEFINED");
    EXPECT_EQ(PrintToString(static_cast<Format>(0)) + PrintToString(static_cast<Format>(20)),
              "UNKNOWNUNKNOWN");
}

// The caller's buffer is written through and never freed; a copy owns all
// the bytes and starts at 0,0; assignment keeps the offset and lets go of a
// borrowed buffer untouched; the description gives the geometry, then the format.
TEST(ImageCPU, BorrowedBuffersCopiesAndTheDescription) {
    std::vector<unsigned char> caller(size_t{4} * 6 * 3);
    for (size_t n = 0; n < caller.size(); ++n) caller[n] = static_cast<unsigned char>(n * 7 + 1);
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA8, caller.data(), 4, 3, float2(0.5f, 2.0f), -2, 3, 6,
                   3);
    EXPECT_EQ(PrintToString(image),
              "Image size : 4 x 3\n"
              "Image offset : -2 , 3\n"
              "Image # pixels : 12\n"
              "Image physical size : 6 x 3\n"
              "Image DOD : (-2, 3) 4 x 3\n"
              "Image pixelsize : (0.5, 2)\n"
              "Pixel format : PIXEL_FORMAT_RGBA8\n");
    image.pixels_RGBA8()[6].red = 99;
    EXPECT_EQ(caller[24], 99);
    ImageCPU copy(image);
    EXPECT_TRUE(copy.offsetX() == 0 && copy.offsetY() == 0 && copy.physicalWidth() == 6);
    std::vector<unsigned char> borrowed(4, 0x5a);
    ImageCPU target(ImageCPU::PIXEL_FORMAT_BGRA8, borrowed.data(), 1, 1, float2(1.0f), -1, -1, 0,
                    0);
    EXPECT_EQ(&(target = image), &target);
    EXPECT_EQ(PrintToString(target), PrintToString(image));
    EXPECT_EQ(borrowed, std::vector<unsigned char>(4, 0x5a));
    for (const ImageCPU* owner : {&copy, &target}) {
        EXPECT_NE(owner->pixels(), image.pixels());
        EXPECT_EQ(std::memcmp(owner->pixels(), caller.data(), caller.size()), 0);
    }
    const unsigned char* before = target.pixels();
    target = static_cast<const ImageCPU&>(target);
    EXPECT_EQ(target.pixels(), before);
}

TEST(ImageCPU, RefusedImages) {
    using F = ImageCPU;
    unsigned char byte = 0;
    const float2 one(1.0f);
    const std::string limit = " reaches 4 GiB; buffers must stay below 4294967296 bytes";
    ImageCPU flat;  // copies check the pixel size again
    flat.setPixelSize(float2(0.0f, 1.0f));
    const std::pair<std::function<void()>, std::string> internal[] = {
        {[&] { F copy(flat); }, "pixelSize.x > 0.0f && pixelSize.y > 0.0f"},
        {[&] { F(F::PIXEL_FORMAT_UNDEFINED, &byte, 1, 1, one, 0, 0, 0, 0); },
         "!\"PIXEL_FORMAT_UNDEFINED\""},
        {[] { F(F::PIXEL_FORMAT_RGB8, 2, 2, float2(-1.0f, 1.0f), 0, 0, 0, 0); },
         "pixelSize.x > 0.0f && pixelSize.y > 0.0f"}};
    for (const auto& [make, message] : internal)
        EXPECT_THAT(make, ThrowsMessage<InternalException>(StrEq(message)));
    const std::pair<std::function<void()>, std::string> parameter[] = {
        {[&] { F(F::PIXEL_FORMAT_RGBA8, nullptr, 1, 1, one, 0, 0, 0, 0); }, "pixels != NULL"},
        {[&] { F(F::PIXEL_FORMAT_RGB8, 640, 480, one, 0, 0, 640, 0); },
         "Physical size 640 x 0 is smaller than the image size 640 x 480"},
        {[&] { F(F::PIXEL_FORMAT_RGB8, &byte, 4, 4, one, 0, 0, 3, 8); },
         "Physical size 3 x 8 is smaller than the image size 4 x 4"},
        // Refused before anything is allocated, also where the count overflows.
        {[&] { F(F::PIXEL_FORMAT_RGBA8, 32768, 32768, one, 0, 0, 0, 0); },
         "Pixel buffer of 32768 x 32768 pixels of 4 bytes" + limit},
        {[&] { F(F::PIXEL_FORMAT_RGBA32F, &byte, 1, 1, one, 0, 0, size_t(1) << 62, 4); },
         "Pixel buffer of 4611686018427387904 x 4 pixels of 16 bytes" + limit}};
    for (const auto& [make, message] : parameter)
        EXPECT_THAT(make, ThrowsMessage<ParameterException>(StrEq(message)));
    // Accepted: one row short of the limit (borrowed, so nothing is allocated),
    // and a zero physical width, which stands for the image size.
    EXPECT_EQ(F(F::PIXEL_FORMAT_RGBA8, &byte, 32768, 32767, one, 0, 0, 0, 0).physicalHeight(),
              32767u);
    EXPECT_EQ(F(F::PIXEL_FORMAT_RGB8, 3, 2, one, 0, 0, 0, 100).physicalHeight(), 2u);
}

}  // namespace
}  // namespace ZEV
