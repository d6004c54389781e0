// Framebuffer objects through EXT_framebuffer_object, counted as live objects.
#include "zev_ogl/FramebufferObject.h"

#include <epoxy/gl.h>

#include "zev_ogl/LiveObjects.h"

namespace ZEV::OGL {

FramebufferObject::FramebufferObject() {
    glGenFramebuffersEXT(1, &id_);
    LiveObjects::created(ObjectKind::Framebuffer);
}

FramebufferObject::FramebufferObject(unsigned int name) noexcept {
    id_ = name;
    if (id_ != 0) LiveObjects::created(ObjectKind::Framebuffer);
}

FramebufferObject FramebufferObject::wrap(unsigned int name) { return FramebufferObject(name); }

FramebufferObject::FramebufferObject(FramebufferObject&& other) noexcept
    : Object(std::move(other)) {}

FramebufferObject& FramebufferObject::operator=(FramebufferObject&& other) noexcept {
    if (this != &other) {
        destroy();
        Object::operator=(std::move(other));
    }
    return *this;
}

FramebufferObject::~FramebufferObject() { destroy(); }

void FramebufferObject::destroy() noexcept {
    if (id_ == 0) return;
    glDeleteFramebuffersEXT(1, &id_);
    LiveObjects::deleted(ObjectKind::Framebuffer);
    id_ = 0;
}

unsigned int FramebufferObject::release() noexcept {
    if (id_ != 0) LiveObjects::deleted(ObjectKind::Framebuffer);
    return std::exchange(id_, 0);
}

unsigned int FramebufferObject::getBoundID() const {
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    return static_cast<unsigned int>(bound);
}

void FramebufferObject::bind() const { glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, id_); }

void FramebufferObject::attachTexture2D(unsigned int texture) const {
    bind();
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture,
                              0);
}

unsigned int FramebufferObject::status() const {
    bind();
    return glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
}

}  // namespace ZEV::OGL
