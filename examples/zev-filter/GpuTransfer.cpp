// Upload and read-back.
#include "GpuTransfer.h"

#include <epoxy/gl.h>

#include "GLCheck.h"

namespace ZevFilter {

namespace {

const ZEV::float2 kUnitPixels(1.0f, 1.0f);

}  // namespace

std::unique_ptr<ZEV::ImageGPU> upload(const RgbaPixels& pixels) {
    const ZEV::IntegerRect rect(ZEV::int2(0, 0), ZEV::size2(pixels.width, pixels.height));
    auto image = std::make_unique<ZEV::ImageGPU>(rect, kWorkingFormat, kUnitPixels);
    image->copyImageData(rect.offset(), rect.size(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.bytes.data(),
                         kUnitPixels);
    throwOnGLError("upload");
    return image;
}

std::unique_ptr<ZEV::ImageCPU> readBack(const ZEV::ImageGPU& image,
                                        FramebufferObject& framebuffer) {
    auto result = std::make_unique<ZEV::ImageCPU>(ZEV::ImageCPU::PIXEL_FORMAT_RGBA32F,
                                                  image.width(), image.height(), image.pixelSize(),
                                                  image.offsetX(), image.offsetY(), 0, 0);
    renderInto(framebuffer, image);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(image.width()), static_cast<GLsizei>(image.height()),
                 GL_RGBA, GL_FLOAT, result->pixels());
    throwOnGLError("read-back");
    return result;
}

}  // namespace ZevFilter
