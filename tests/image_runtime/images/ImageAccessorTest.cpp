// The accessor classes: geometry answered by the image at each call, and
// pixel reads and writes through the abstract interfaces.
#include "image_runtime/images/ImageAccessor.h"

#include <gmock/gmock.h>

#include <vector>

#include "image_runtime/images/ImageCPU.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

TEST(ImageAccessor, FollowsTheImageThroughTheAbstractInterfaces) {
    std::vector<unsigned char> buffer(size_t{3} * 2 * 4);
    for (size_t n = 0; n < buffer.size(); ++n) buffer[n] = static_cast<unsigned char>(n * 10);
    ImageCPU image(ImageCPU::PIXEL_FORMAT_LUMINANCE8, 1, 1, float2(1.0f), 0, 0, 0, 0);
    ImageCPUReadAccessor cpuReader(image);
    ImageCPUWriteAccessor cpuWriter(image);
    ImageReadAccessor& reader = cpuReader;
    ImageWriteAccessor& writer = cpuWriter;
    const auto refused =
        testing::ThrowsMessage<InternalException>(testing::StrEq("Invalid input image type"));
    EXPECT_THAT([&] { reader.getRGBAFloat4PixelAt(0, 0); }, refused);
    EXPECT_THAT([&] { writer.writeRGBAFloatPixel4At(float4(1.0f), 0, 0); }, refused);
    // Nothing is cached: after the image changes, the accessors follow. The
    // new one is 2 x 2 pixels at (10, 20), rows 3 pixels apart.
    image = ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA8, buffer.data(), 2, 2, float2(1.0f), 10, 20, 3, 2);
    for (ImageAccessorBase* accessor :
         {static_cast<ImageAccessorBase*>(&reader), static_cast<ImageAccessorBase*>(&writer)})
        EXPECT_TRUE(accessor->width() == 2 && accessor->height() == 2 &&
                    accessor->offsetX() == 10 && accessor->offsetY() == 20 &&
                    accessor->physicalWidth() == 3u);
    writer.writeRGBAFloatPixel4At(float4(0.2f, 2.0f, -1.0f, 0.6f), 11, 21);
    EXPECT_EQ(reader.getRGBAFloat4PixelAt(11, 21)[3], 153 / 255.0f);
    EXPECT_EQ(reader.getRGBAFloat4PixelAt(10, 21)[0], 120 / 255.0f);
}

}  // namespace
}  // namespace ZEV
