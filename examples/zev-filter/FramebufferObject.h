// A framebuffer object of the caller's context, the only place the host can
// draw into: headless contexts have no default framebuffer. Render targets
// are pooled GPU images attached one at a time.
#pragma once

#include "image_runtime/images/ImageGPU.h"

namespace ZevFilter {

class FramebufferObject {
public:
    FramebufferObject();
    // Unbinds and deletes; use it in the context that made it.
    ~FramebufferObject();
    FramebufferObject(const FramebufferObject&) = delete;
    FramebufferObject& operator=(const FramebufferObject&) = delete;

    // Binds the framebuffer with image's texture as its colour buffer and
    // sets the viewport to the image; throws std::runtime_error when the
    // driver cannot render into it.
    void target(const ZEV::ImageGPU& image);

private:
    unsigned int name_;
};

}  // namespace ZevFilter
