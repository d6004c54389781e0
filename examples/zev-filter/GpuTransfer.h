// Moving pictures between main memory and pooled GPU images: the choice of
// the working format, the upload of the input and the read-back of the
// result.
#pragma once

#include <memory>
#include <optional>

#include "RenderTarget.h"
#include "RgbaPixels.h"
#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageGPU.h"

namespace ZevFilter {

// What one channel of an input picture is stored as.
enum class SampleType { UInt8, UInt16, Half, Float };

// The format every pass works in. Without a precision (16 or 32 bits) it
// follows the input: 8-bit pictures in RGBA8, which is what they hold and
// the fastest to filter; 16-bit and half pictures in RGBA16F, float ones
// in RGBA32F.
ZEV::ImageGPU::tePixelFormat workingFormat(SampleType input, std::optional<int> precision);

// Tightly packed RGBA pixels in main memory, rows from the top; the offset
// is where the top-left pixel sits in the image plane.
struct PixelBlock {
    size_t width = 0;
    size_t height = 0;
    SampleType type = SampleType::UInt8;
    const void* data = nullptr;
    int offsetX = 0;
    int offsetY = 0;
};

// A pooled image at the block's offset in format holding the picture; its texel
// row 0 is the picture's top row, and read-back keeps that order, so no
// pass flips.
std::unique_ptr<ZEV::ImageGPU> upload(const PixelBlock& pixels,
                                      ZEV::ImageGPU::tePixelFormat format);
std::unique_ptr<ZEV::ImageGPU> upload(const RgbaPixels& pixels,
                                      ZEV::ImageGPU::tePixelFormat format);

// The image's pixels in a new CPU image of the same geometry. With
// bytesSuffice (nothing finer than 8 bits is wanted) an RGBA8 image comes
// back as its bytes, with no round trip through floats; otherwise as RGBA
// floats, as stored: float formats are not clamped.
std::unique_ptr<ZEV::ImageCPU> readBack(const ZEV::ImageGPU& image, FramebufferObject& framebuffer,
                                        bool bytesSuffice);

}  // namespace ZevFilter
