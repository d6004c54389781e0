// The accessor classes: geometry answered by the image at each call, pixel
// reads and writes through the abstract interfaces, and deletion through
// base pointers.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "image_runtime/images/ImageAccessor.h"
#include "image_runtime/images/ImageCPU.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using Test::throwsWith;

void expectGeometry(ImageAccessorBase& accessor, const ImageCPU& image) {
    EXPECT_EQ(accessor.width(), image.width());
    EXPECT_EQ(accessor.height(), image.height());
    EXPECT_EQ(accessor.offsetX(), image.offsetX());
    EXPECT_EQ(accessor.offsetY(), image.offsetY());
    EXPECT_EQ(accessor.physicalWidth(), image.physicalWidth());
}

TEST(ImageAccessor, GeometryIsTheImagesAtEachCall) {
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA8, 7, 5, float2(1.0f), 10, 20, 9, 6);
    ImageCPUReadAccessor reader(image);
    ImageCPUWriteAccessor writer(image);
    expectGeometry(reader, image);
    expectGeometry(writer, image);

    // Nothing is cached: after the image changes, the accessors follow.
    image = ImageCPU(ImageCPU::PIXEL_FORMAT_BGR8, 3, 2, float2(1.0f), -4, 1, 0, 0);
    expectGeometry(reader, image);
    expectGeometry(writer, image);
    EXPECT_EQ(writer.offsetX(), -4);
}

TEST(ImageAccessor, ReadsAndWritesThroughTheAbstractInterfaces) {
    // 2 x 2 pixels at (10, 20), rows 3 pixels apart.
    std::vector<unsigned char> buffer(size_t{3} * 2 * 4);
    for (size_t n = 0; n < buffer.size(); ++n) buffer[n] = static_cast<unsigned char>(n * 10);
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA8, buffer.data(), 2, 2, float2(1.0f), 10, 20, 3, 2);
    ImageCPUReadAccessor cpuReader(image);
    ImageCPUWriteAccessor cpuWriter(image);
    ImageReadAccessor& reader = cpuReader;
    ImageWriteAccessor& writer = cpuWriter;

    EXPECT_EQ(reader.getRGBAFloat4PixelAt(10, 20)[1], 10 / 255.0f);
    EXPECT_EQ(reader.getRGBAFloat4PixelAt(10, 21)[0], 120 / 255.0f);

    writer.writeRGBAFloatPixel4At(float4(0.2f, 2.0f, -1.0f, 0.6f), 11, 21);
    const unsigned char written[] = {51, 255, 0, 153};
    EXPECT_EQ(std::memcmp(&buffer[size_t{3 + 1} * 4], written, 4), 0);
    EXPECT_EQ(reader.getRGBAFloat4PixelAt(11, 21)[3], 153 / 255.0f);

    ImageCPU luminance(ImageCPU::PIXEL_FORMAT_LUMINANCE8, 1, 1, float2(1.0f), 0, 0, 0, 0);
    ImageCPUReadAccessor luminanceReader(luminance);
    ImageCPUWriteAccessor luminanceWriter(luminance);
    EXPECT_TRUE(throwsWith<InternalException>([&] { luminanceReader.getRGBAFloat4PixelAt(0, 0); },
                                              "Invalid input image type"));
    EXPECT_TRUE(throwsWith<InternalException>(
        [&] { luminanceWriter.writeRGBAFloatPixel4At(float4(1.0f), 0, 0); },
        "Invalid input image type"));
}

TEST(ImageAccessor, DeletingThroughABaseLeavesTheImageIntact) {
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGB8, 2, 2, float2(1.0f), 0, 0, 0, 0);
    for (size_t n = 0; n < 12; ++n) image.pixels()[n] = static_cast<unsigned char>(n);
    const unsigned char* pixels = image.pixels();
    {
        std::unique_ptr<ImageAccessorBase> base(new ImageCPUWriteAccessor(image));
        std::unique_ptr<ImageReadAccessor> reader(new ImageCPUReadAccessor(image));
        std::unique_ptr<ImageWriteAccessor> writer(new ImageCPUWriteAccessor(image));
    }
    EXPECT_EQ(image.pixels(), pixels);
    for (size_t n = 0; n < 12; ++n) EXPECT_EQ(image.pixels()[n], n);
}

}  // namespace
}  // namespace ZEV
