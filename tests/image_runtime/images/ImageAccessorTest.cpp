// The CPU accessors: geometry answered by the image at each call, and pixel
// reads and writes through the abstract interfaces.
#include "image_runtime/images/ImageAccessor.h"

#include <gtest/gtest.h>

#include <vector>

#include "image_runtime/images/ImageCPU.h"

namespace ZEV {
namespace {

TEST(ImageAccessor, FollowsTheImageThroughTheAbstractInterfaces) {
    std::vector<unsigned char> buffer(size_t{4} * 3 * 4);
    for (size_t n = 0; n < buffer.size(); ++n) buffer[n] = static_cast<unsigned char>(n * 10);
    ImageCPU image;
    ImageCPUReadAccessor reader(image);
    ImageCPUWriteAccessor writer(image);
    // Nothing is cached: after the image changes, the accessors follow. The
    // new one is 2 x 3 pixels at (10, 20), rows 4 pixels apart.
    image = ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA8, buffer.data(), 2, 3, float2(1.0f), 10, 20, 4, 3);
    for (ImageAccessorBase* accessor :
         {static_cast<ImageAccessorBase*>(&reader), static_cast<ImageAccessorBase*>(&writer)})
        EXPECT_TRUE(accessor->width() == 2 && accessor->height() == 3 &&
                    accessor->offsetX() == 10 && accessor->offsetY() == 20 &&
                    accessor->physicalWidth() == 4u);
    writer.writeRGBAFloatPixel4At(float4(0.2f, 2.0f, -1.0f, 0.6f), 11, 21);
    EXPECT_EQ(reader.getRGBAFloat4PixelAt(11, 21)[3], 153 / 255.0f);
    EXPECT_EQ(reader.getRGBAFloat4PixelAt(10, 21)[0], 160 / 255.0f);
}

}  // namespace
}  // namespace ZEV
