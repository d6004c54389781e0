// Framebuffer objects through EXT_framebuffer_object.
#include "zev_ogl/Framebuffer.h"

#include <epoxy/gl.h>

#include "zev_ogl/LiveObjects.h"

namespace ZEV::OGL::Framebuffer {

unsigned int generate() {
    GLuint name = 0;
    glGenFramebuffersEXT(1, &name);
    LiveObjects::created(ObjectKind::Framebuffer);
    return name;
}

void destroy(unsigned int framebuffer) {
    glDeleteFramebuffersEXT(1, &framebuffer);
    LiveObjects::deleted(ObjectKind::Framebuffer);
}

void bind(unsigned int framebuffer) { glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer); }

unsigned int currentBinding() {
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    return static_cast<unsigned int>(bound);
}

void attachTexture2D(unsigned int texture) {
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture,
                              0);
}

unsigned int status() { return glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT); }

}  // namespace ZEV::OGL::Framebuffer
