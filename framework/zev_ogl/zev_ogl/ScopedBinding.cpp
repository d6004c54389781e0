// Scoped texture and framebuffer bindings.
#include "zev_ogl/ScopedBinding.h"

#include <epoxy/gl.h>

#include "zev_ogl/GLError.h"

namespace ZEV::OGL {

namespace {
unsigned int boundName(GLenum query) {
    GLint bound = 0;
    glGetIntegerv(query, &bound);
    return static_cast<unsigned int>(bound);
}
}  // namespace

ScopedTextureBinding::ScopedTextureBinding(unsigned int target, unsigned int texture)
    : target_(target), previous_(boundName(detail::bindingQuery(target))) {
    glBindTexture(target, texture);
}

ScopedTextureBinding::~ScopedTextureBinding() { glBindTexture(target_, previous_); }

ScopedFramebufferBinding::ScopedFramebufferBinding(unsigned int framebuffer)
    : previous_(boundName(GL_FRAMEBUFFER_BINDING_EXT)) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
}

ScopedFramebufferBinding::~ScopedFramebufferBinding() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, previous_);
}

}  // namespace ZEV::OGL
