// Uploads that GL would mishandle, refused where they are handed over: null
// data, a row length beyond int.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <utility>

#include "image_runtime/images/ImageGPU.h"
#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

class ImageBufferInputTest : public Test::PoolTest {};

TEST_F(ImageBufferInputTest, NullBuffersAndHugeRowLengthsAreRefused) {
    createPool();
    {
        ImageGPU image(int2(0), size2(2, 2), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1.0f));
        const unsigned char data[16] = {};
        for (const auto& [pixels, rowLength] :
             {std::pair<const unsigned char*, size_t>{nullptr, 2}, {data, size_t{1} << 31}})
            EXPECT_THROW(image.copyImageData(pixels, int2(0), size2(2, 2), float2(3.0f), GL_RGBA,
                                             GL_UNSIGNED_BYTE, rowLength),
                         ParameterException);
        EXPECT_THROW(image.copyImageData(int2(0), size2(2, 2), GL_RGBA, GL_UNSIGNED_BYTE, nullptr,
                                         float2(3.0f)),
                     ParameterException);
        EXPECT_EQ(image.pixelSize().x, 1.0f);  // refused before anything changed
    }
    destroyPool();
}

}  // namespace
}  // namespace ZEV
