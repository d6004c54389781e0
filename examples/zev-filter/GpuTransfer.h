// Moving pictures between main memory and pooled GPU images: the upload of
// the input and the read-back of the result.
#pragma once

#include <memory>

#include "RenderTarget.h"
#include "RgbaPixels.h"
#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageGPU.h"

namespace ZevFilter {

// Every pass renders in half floats: no banding between passes, half the
// memory of full floats.
constexpr ZEV::ImageGPU::tePixelFormat kWorkingFormat = ZEV::ImageGPU::PIXEL_FORMAT_RGBA16F;

// A pooled image at offset (0, 0) holding the picture; its texel row 0 is
// the picture's top row, and read-back keeps that order, so no pass flips.
std::unique_ptr<ZEV::ImageGPU> upload(const RgbaPixels& pixels);

// The image's pixels as RGBA floats in a new CPU image of the same geometry.
std::unique_ptr<ZEV::ImageCPU> readBack(const ZEV::ImageGPU& image, FramebufferObject& framebuffer);

}  // namespace ZevFilter
