// Upload and read-back.
#include "GpuTransfer.h"

#include <epoxy/gl.h>

#include "GLCheck.h"

namespace ZevFilter {

namespace {

const ZEV::float2 kUnitPixels(1.0f, 1.0f);

GLenum glType(SampleType type) {
    switch (type) {
        case SampleType::UInt8: return GL_UNSIGNED_BYTE;
        case SampleType::UInt16: return GL_UNSIGNED_SHORT;
        case SampleType::Half: return GL_HALF_FLOAT;
        case SampleType::Float: return GL_FLOAT;
    }
    return GL_UNSIGNED_BYTE;
}

}  // namespace

ZEV::ImageGPU::tePixelFormat workingFormat(SampleType input, std::optional<int> precision) {
    if (precision == 16) return ZEV::ImageGPU::PIXEL_FORMAT_RGBA16F;
    if (precision == 32) return ZEV::ImageGPU::PIXEL_FORMAT_RGBA32F;
    switch (input) {
        case SampleType::UInt8: return ZEV::ImageGPU::PIXEL_FORMAT_RGBA8;
        case SampleType::UInt16:
        case SampleType::Half: return ZEV::ImageGPU::PIXEL_FORMAT_RGBA16F;
        case SampleType::Float: return ZEV::ImageGPU::PIXEL_FORMAT_RGBA32F;
    }
    return ZEV::ImageGPU::PIXEL_FORMAT_RGBA32F;
}

std::unique_ptr<ZEV::ImageGPU> upload(const PixelBlock& pixels,
                                      ZEV::ImageGPU::tePixelFormat format) {
    const ZEV::IntegerRect rect(ZEV::int2(pixels.offsetX, pixels.offsetY),
                                ZEV::size2(pixels.width, pixels.height));
    auto image = std::make_unique<ZEV::ImageGPU>(rect, format, kUnitPixels);
    image->copyImageData(rect.offset(), rect.size(), GL_RGBA, glType(pixels.type), pixels.data,
                         kUnitPixels);
    throwOnGLError("upload");
    return image;
}

std::unique_ptr<ZEV::ImageGPU> upload(const RgbaPixels& pixels,
                                      ZEV::ImageGPU::tePixelFormat format) {
    const SampleType type = pixels.bitDepth == 16 ? SampleType::UInt16 : SampleType::UInt8;
    return upload(PixelBlock{pixels.width, pixels.height, type, pixels.bytes.data()}, format);
}

std::unique_ptr<ZEV::ImageCPU> readBack(const ZEV::ImageGPU& image, FramebufferObject& framebuffer,
                                        bool bytesSuffice) {
    const bool bytes = bytesSuffice && image.pixelFormat() == ZEV::ImageGPU::PIXEL_FORMAT_RGBA8;
    auto result = std::make_unique<ZEV::ImageCPU>(
        bytes ? ZEV::ImageCPU::PIXEL_FORMAT_RGBA8 : ZEV::ImageCPU::PIXEL_FORMAT_RGBA32F,
        image.width(), image.height(), image.pixelSize(), image.offsetX(), image.offsetY(), 0, 0);
    renderInto(framebuffer, image);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Read-back clamping is off for float buffers by default; this says so.
    glClampColor(GL_CLAMP_READ_COLOR, GL_FALSE);
    glReadPixels(0, 0, static_cast<GLsizei>(image.width()), static_cast<GLsizei>(image.height()),
                 GL_RGBA, bytes ? GL_UNSIGNED_BYTE : GL_FLOAT, result->pixels());
    throwOnGLError("read-back");
    return result;
}

}  // namespace ZevFilter
