// The host's render target: headless contexts have no default framebuffer,
// so every pass draws into a framebuffer object of the drawing context, with
// a pooled GPU image attached as its colour buffer.
#pragma once

#include "image_runtime/images/ImageGPU.h"
#include "zev_ogl/FramebufferObject.h"

namespace ZevFilter {

using FramebufferObject = ZEV::OGL::FramebufferObject;

// Binds framebuffer with image's texture as its colour buffer and sets the
// viewport to the image; throws std::runtime_error when the driver cannot
// render into it.
void renderInto(FramebufferObject& framebuffer, const ZEV::ImageGPU& image);

}  // namespace ZevFilter
