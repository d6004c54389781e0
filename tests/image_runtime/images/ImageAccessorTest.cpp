// The accessor classes: geometry answered by the image at each call, and
// pixel reads and writes through the abstract interfaces.
#include "image_runtime/images/ImageAccessor.h"

#include <gmock/gmock.h>

#include <cstring>
#include <vector>

#include "image_runtime/images/ImageCPU.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

TEST(ImageAccessor, GeometryIsTheImagesAtEachCall) {
    ImageCPU image(ImageCPU::PIXEL_FORMAT_RGBA8, 7, 5, float2(1.0f), 10, 20, 9, 6);
    ImageCPUReadAccessor reader(image);
    ImageCPUWriteAccessor writer(image);
    image = ImageCPU(ImageCPU::PIXEL_FORMAT_BGR8, 3, 2, float2(1.0f), -4, 1, 5, 2);
    for (ImageAccessorBase* accessor :
         {static_cast<ImageAccessorBase*>(&reader), static_cast<ImageAccessorBase*>(&writer)}) {
        EXPECT_TRUE(accessor->width() == 3 && accessor->height() == 2);
        EXPECT_TRUE(accessor->offsetX() == -4 && accessor->offsetY() == 1);
        EXPECT_EQ(accessor->physicalWidth(), 5u);
    }
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

    ImageCPU luminance(ImageCPU::PIXEL_FORMAT_LUMINANCE8, 1, 1, float2(1.0f), 0, 0, 0, 0);
    ImageCPUReadAccessor luminanceReader(luminance);
    ImageCPUWriteAccessor luminanceWriter(luminance);
    const auto refused =
        testing::ThrowsMessage<InternalException>(testing::StrEq("Invalid input image type"));
    EXPECT_THAT([&] { luminanceReader.getRGBAFloat4PixelAt(0, 0); }, refused);
    EXPECT_THAT([&] { luminanceWriter.writeRGBAFloatPixel4At(float4(1.0f), 0, 0); }, refused);
}

}  // namespace
}  // namespace ZEV
