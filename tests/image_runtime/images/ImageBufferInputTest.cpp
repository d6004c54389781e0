// Pixel buffers refused where they are handed over rather than at the first
// access: a null borrowed CPU buffer, and uploads that GL would mishandle
// silently (null data, a row length that GL's signed int cannot hold).
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <functional>

#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageGPU.h"
#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

TEST(ImageBufferInput, NullBorrowedCPUBufferIsRefused) {
    EXPECT_THROW(ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA8, nullptr, 1, 1, float2(1.0f), 0, 0, 0, 0),
                 ParameterException);
}

class ImageBufferInputTest : public Test::PoolTest {};

TEST_F(ImageBufferInputTest, NullDataAndHugeRowLengthsAreRefused) {
    createPool();
    {
        ImageGPU image(int2(0, 0), size2(2, 2), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1.0f));
        const unsigned char data[16] = {};
        const std::function<void()> refused[] = {
            [&] {
                image.copyImageData(int2(0), size2(2, 2), GL_RGBA, GL_UNSIGNED_BYTE, nullptr,
                                    float2(3.0f));
            },
            [&] {
                image.copyImageData(nullptr, int2(0), size2(2, 2), float2(3.0f), GL_RGBA,
                                    GL_UNSIGNED_BYTE, 2);
            },
            [&] {
                image.copyImageData(data, int2(0), size2(2, 2), float2(3.0f), GL_RGBA,
                                    GL_UNSIGNED_BYTE, size_t{1} << 31);
            }};
        for (const auto& call : refused) EXPECT_THROW(call(), ParameterException);
        EXPECT_EQ(image.pixelSize().x, 1.0f);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    destroyPool();
}

}  // namespace
}  // namespace ZEV
