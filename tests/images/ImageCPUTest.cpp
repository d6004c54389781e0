// ImageCPU: format tables, buffer ownership and addressing, deep copies,
// refusals with their messages, and the printed description.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image_runtime/images/ImageCPU.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using Format = ImageCPU::tePixelFormat;
using Test::throwsWith;

Format format(int value) { return static_cast<Format>(value); }

template <class... Pointers>
std::vector<const void*> addresses(Pointers... pointers) {
    return {static_cast<const void*>(pointers)...};
}

// Every one of the thirty typed accessors, as a plain address.
std::vector<const void*> allAccessors(ImageCPU& image) {
    const ImageCPU& c = image;
    return addresses(
        image.pixels(), c.pixels(), image.pixels_BGR8(), c.pixels_BGR8(), image.pixels_BGRA8(),
        c.pixels_BGRA8(), image.pixels_RGB8(), c.pixels_RGB8(), image.pixels_RGBA8(),
        c.pixels_RGBA8(), image.pixels_RGB16F(), c.pixels_RGB16F(), image.pixels_RGBA16F(),
        c.pixels_RGBA16F(), image.pixels_RGB32F(), c.pixels_RGB32F(), image.pixels_RGBA32F(),
        c.pixels_RGBA32F(), image.pixels_Luminance8(), c.pixels_Luminance8(),
        image.pixels_Luminance16F(), c.pixels_Luminance16F(), image.pixels_Luminance32F(),
        c.pixels_Luminance32F(), image.pixels_LuminanceAlpha8(), c.pixels_LuminanceAlpha8(),
        image.pixels_LuminanceAlpha16F(), c.pixels_LuminanceAlpha16F(),
        image.pixels_LuminanceAlpha32F(), c.pixels_LuminanceAlpha32F());
}

// Format, size, physical size, offset and pixel size in one line.
std::string geometry(const ImageCPU& image) {
    std::ostringstream os;
    os << image.pixelFormat() << ' ' << image.width() << 'x' << image.height() << " in "
       << image.physicalWidth() << 'x' << image.physicalHeight() << " at " << image.offsetX() << ','
       << image.offsetY() << " pixel " << image.pixelSize().x << ',' << image.pixelSize().y;
    return os.str();
}

std::vector<unsigned char> counting(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t n = 0; n < size; ++n) bytes[n] = static_cast<unsigned char>(n * 7 + 1);
    return bytes;
}

::testing::AssertionResult refused(const std::function<void()>& make, const std::string& message) {
    return throwsWith<InternalException>(make, message);
}

TEST(ImageCPU, FormatTables) {
    const size_t channels[] = {3, 4, 3, 4, 3, 4, 3, 4, 1, 1, 1, 2, 2, 2};
    for (int value = 1; value <= 14; ++value)
        EXPECT_EQ(ImageCPU::channelCount(format(value)), channels[value - 1]) << value;
    for (int value : {0, 15, 19, 20, -1})
        EXPECT_TRUE(refused([&] { ImageCPU::channelCount(format(value)); },
                            "Pixel format not supported by ZEV in CPU mode"))
            << value;

    const std::pair<int, size_t> sizes[] = {{1, 3},  {2, 4},  {3, 3}, {4, 4},  {5, 6},  {6, 8},
                                            {7, 12}, {8, 16}, {9, 1}, {11, 4}, {12, 2}, {14, 8}};
    for (const auto& [value, bytes] : sizes)
        EXPECT_EQ(ImageCPU::PixelSize(format(value)), bytes) << value;
    for (int value : {0, 10, 13, 15, 18, 20})
        EXPECT_TRUE(refused([&] { ImageCPU::PixelSize(format(value)); },
                            "Not implemented: ePixelFormat in pixelSize()."))
            << value;
    EXPECT_TRUE(refused([] { ImageCPU::PixelSize(ImageCPU::PIXEL_FORMAT_UNDEFINED); },
                        "!\"PIXEL_FORMAT_UNDEFINED\""));

    std::ostringstream names;
    for (int value : {0, 1, 13, 18, 19, 20, -1}) names << format(value) << ' ';
    EXPECT_EQ(names.str(),
              "UNKNOWN PIXEL_FORMAT_BGR8 PIXEL_FORMAT_LUMINANCE_ALPHA16 "
              "PIXEL_FORMAT_LUMINANCE_ALPHA16F PIXEL_FORMAT_UNDEFINED UNKNOWN UNKNOWN ");
}

TEST(ImageCPU, PhysicalExtentAndAddressing) {
    ImageCPU tight(ImageCPU::PIXEL_FORMAT_RGB8, 3, 2, float2(1.0f), -4, 9, 0, 0);
    EXPECT_EQ(geometry(tight), "PIXEL_FORMAT_RGB8 3x2 in 3x2 at -4,9 pixel 1,1");
    // The whole buffer is writable: 3 x 2 pixels of 3 bytes.
    std::memset(tight.pixels(), 0xab, 18);

    // A physical height is taken only together with a non-zero physical width.
    ImageCPU heightIgnored(ImageCPU::PIXEL_FORMAT_RGB8, 3, 2, float2(1.0f), 0, 0, 0, 100);
    EXPECT_EQ(heightIgnored.physicalHeight(), 2u);

    ImageCPU padded(ImageCPU::PIXEL_FORMAT_RGB8, 3, 2, float2(0.5f, 2.0f), -4, 9, 4, 3);
    EXPECT_EQ(geometry(padded), "PIXEL_FORMAT_RGB8 3x2 in 4x3 at -4,9 pixel 0.5,2");
    EXPECT_TRUE(padded.physicalSize().i == 4 && padded.physicalSize().j == 3);
    std::memset(padded.pixels(), 0xcd, 36);
    // Pixel (offsetX + 1, offsetY + 1) is element 4 * 1 + 1, at byte 15.
    EXPECT_EQ(reinterpret_cast<unsigned char*>(&padded.pixels_RGB8()[4 * 1 + 1]),
              padded.pixels() + 15);
    for (const void* address : allAccessors(padded)) EXPECT_EQ(address, padded.pixels());
}

TEST(ImageCPU, BorrowedBufferIsHandedOutAndNeverFreed) {
    std::vector<unsigned char> caller = counting(size_t{4} * 6 * 3);
    {
        ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA8, caller.data(), 4, 3, float2(1.0f), 2, 3, 6, 3);
        for (const void* address : allAccessors(image)) EXPECT_EQ(address, caller.data());
        // Writable through the image although it was passed as const.
        image.pixels_RGBA8()[6].red = 99;
        EXPECT_EQ(caller[24], 99);
        caller[24] = counting(25)[24];
    }
    // Freeing the caller's vector storage would have been reported by the
    // sanitizer build; here the bytes must still be the caller's.
    EXPECT_EQ(caller, counting(caller.size()));

    // A default image has no buffer at all.
    ImageCPU empty;
    for (const void* address : allAccessors(empty)) EXPECT_EQ(address, nullptr);
}

TEST(ImageCPU, CopyConstructorMakesAnOwnedCopyAtTheOrigin) {
    std::vector<unsigned char> caller = counting(size_t{4} * 3 * 3);
    const ImageCPU source(ImageCPU::PIXEL_FORMAT_RGB8, caller.data(), 3, 2, float2(0.5f, 2.0f), 5,
                          7, 4, 3);
    {
        ImageCPU copy(source);
        EXPECT_EQ(geometry(copy), "PIXEL_FORMAT_RGB8 3x2 in 4x3 at 0,0 pixel 0.5,2");
        EXPECT_NE(copy.pixels(), source.pixels());
        // All bytes, spare columns and rows included.
        EXPECT_EQ(std::memcmp(copy.pixels(), caller.data(), caller.size()), 0);
        copy.pixels()[0] = static_cast<unsigned char>(caller[0] + 1);
    }
    EXPECT_EQ(caller, counting(caller.size()));

    // The copy checks the pixel size again.
    ImageCPU broken(ImageCPU::PIXEL_FORMAT_RGB8, 1, 1, float2(1.0f), 0, 0, 0, 0);
    broken.setPixelSize(float2(0.0f, 1.0f));
    EXPECT_TRUE(
        refused([&] { ImageCPU copy(broken); }, "pixelSize.x > 0.0f && pixelSize.y > 0.0f"));
}

TEST(ImageCPU, AssignmentKeepsTheOffsetAndReplacesTheBuffer) {
    std::vector<unsigned char> sourceBytes = counting(size_t{4} * 3 * 3);
    const ImageCPU source(ImageCPU::PIXEL_FORMAT_RGB8, sourceBytes.data(), 3, 2, float2(2.0f), 5, 7,
                          4, 3);

    std::vector<unsigned char> borrowed(4, 0x5a);
    ImageCPU target(ImageCPU::PIXEL_FORMAT_BGRA8, borrowed.data(), 1, 1, float2(1.0f), -1, -1, 0,
                    0);
    EXPECT_EQ(&(target = source), &target);
    EXPECT_EQ(geometry(target), geometry(source));
    EXPECT_NE(target.pixels(), source.pixels());
    EXPECT_NE(target.pixels(), borrowed.data());
    EXPECT_EQ(std::memcmp(target.pixels(), sourceBytes.data(), sourceBytes.size()), 0);
    EXPECT_EQ(borrowed, std::vector<unsigned char>(4, 0x5a));

    // Assigning over an owned buffer releases it (leaks show in the
    // sanitizer build); self-assignment changes nothing.
    const unsigned char* before = target.pixels();
    ImageCPU& self = target;
    target = self;
    EXPECT_EQ(target.pixels(), before);
    EXPECT_EQ(target.offsetX(), 5);
    target = ImageCPU();
    EXPECT_EQ(geometry(target), "PIXEL_FORMAT_UNDEFINED 0x0 in 0x0 at 0,0 pixel 1,1");
}

TEST(ImageCPU, RefusedImages) {
    using F = ImageCPU;
    unsigned char byte = 0;
    const float2 one(1.0f);
    EXPECT_TRUE(refused([] { ImageCPU(F::PIXEL_FORMAT_RGBA16F, 2, 2, float2(1.0f), 0, 0, 0, 0); },
                        "Not implemented: ePixelFormat in pixelSize()."));
    EXPECT_TRUE(refused([&] { ImageCPU(F::PIXEL_FORMAT_UNDEFINED, &byte, 1, 1, one, 0, 0, 0, 0); },
                        "!\"PIXEL_FORMAT_UNDEFINED\""));
    EXPECT_TRUE(
        refused([] { ImageCPU(F::PIXEL_FORMAT_RGB8, 2, 2, float2(-1.0f, 1.0f), 0, 0, 0, 0); },
                "pixelSize.x > 0.0f && pixelSize.y > 0.0f"));

    // A physical extent that does not cover the image; (640, 0) names a
    // physical height of 0.
    EXPECT_TRUE(throwsWith<ParameterException>(
        [&] { ImageCPU(F::PIXEL_FORMAT_RGB8, 640, 480, one, 0, 0, 640, 0); },
        "Physical size 640 x 0 is smaller than the image size 640 x 480"));
    EXPECT_TRUE(throwsWith<ParameterException>(
        [&] { ImageCPU(F::PIXEL_FORMAT_RGB8, &byte, 4, 4, one, 0, 0, 3, 8); },
        "Physical size 3 x 8 is smaller than the image size 4 x 4"));

    // Buffers of 4 GiB and more, refused before anything is allocated (a
    // terabyte allocation would fail differently), also where the byte
    // count overflows 64 bits.
    const std::string limit = " reaches 4 GiB; buffers must stay below 4294967296 bytes";
    EXPECT_TRUE(throwsWith<ParameterException>(
        [&] { ImageCPU(F::PIXEL_FORMAT_RGBA8, 32768, 32768, one, 0, 0, 0, 0); },
        "Pixel buffer of 32768 x 32768 pixels of 4 bytes" + limit));
    EXPECT_TRUE(throwsWith<ParameterException>(
        [&] { ImageCPU(F::PIXEL_FORMAT_RGBA32F, &byte, 1, 1, one, 0, 0, size_t(1) << 62, 4); },
        "Pixel buffer of 4611686018427387904 x 4 pixels of 16 bytes" + limit));
    // One row short of the limit is accepted (borrowed, so nothing is allocated).
    const ImageCPU largest(F::PIXEL_FORMAT_RGBA8, &byte, 32768, 32767, one, 0, 0, 0, 0);
    EXPECT_EQ(largest.physicalHeight(), 32767u);
}

TEST(ImageCPU, Description) {
    ImageCPU image(ImageCPU::PIXEL_FORMAT_LUMINANCE_ALPHA32F, 640, 480, float2(1.0f), -10, 20, 0,
                   0);
    std::ostringstream os;
    os << image;
    const std::string text = os.str();
    EXPECT_EQ(text.find("Image size : 640 x 480\n"), 0u);
    EXPECT_NE(text.find("Image physical size : 640 x 480\n"), std::string::npos);
    const std::string last = "Pixel format : PIXEL_FORMAT_LUMINANCE_ALPHA32F\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
}

}  // namespace
}  // namespace ZEV
