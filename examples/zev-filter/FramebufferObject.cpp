// The host's framebuffer object.
#include "FramebufferObject.h"

#include <epoxy/gl.h>

#include <sstream>
#include <stdexcept>

#include "zev_ogl/Framebuffer.h"

namespace ZevFilter {

namespace Framebuffer = ZEV::OGL::Framebuffer;

FramebufferObject::FramebufferObject() : name_(Framebuffer::generate()) {}

FramebufferObject::~FramebufferObject() {
    if (Framebuffer::currentBinding() == name_) Framebuffer::bind(0);
    Framebuffer::destroy(name_);
}

void FramebufferObject::target(const ZEV::ImageGPU& image) {
    Framebuffer::bind(name_);
    Framebuffer::attachTexture2D(image.texture()->objectID());
    if (const unsigned int status = Framebuffer::status(); status != Framebuffer::COMPLETE) {
        std::ostringstream message;
        message << "cannot render into a " << image.width() << " x " << image.height()
                << " texture of format " << image.pixelFormat() << ": framebuffer status 0x"
                << std::hex << status;
        throw std::runtime_error(message.str());
    }
    glViewport(0, 0, static_cast<GLsizei>(image.width()), static_cast<GLsizei>(image.height()));
}

}  // namespace ZevFilter
