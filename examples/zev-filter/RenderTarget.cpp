// Pointing the host's framebuffer object at an image.
#include "RenderTarget.h"

#include <epoxy/gl.h>

#include <sstream>
#include <stdexcept>

namespace ZevFilter {

void renderInto(FramebufferObject& framebuffer, const ZEV::ImageGPU& image) {
    framebuffer.attachTexture2D(image.texture()->objectID());
    if (const unsigned int status = framebuffer.status(); status != FramebufferObject::COMPLETE) {
        std::ostringstream message;
        message << "cannot render into a " << image.width() << " x " << image.height()
                << " texture of format " << image.pixelFormat() << ": framebuffer status 0x"
                << std::hex << status;
        throw std::runtime_error(message.str());
    }
    glViewport(0, 0, static_cast<GLsizei>(image.width()), static_cast<GLsizei>(image.height()));
}

}  // namespace ZevFilter
