// Scoped bindings: each binds a GL object for one scope and binds back what
// was bound before, also when an exception unwinds. Construct and destroy
// them with the same context current.
#pragma once

#include "zev_core/Export.h"

namespace ZEV::OGL {

/// Binds texture to target (GL_TEXTURE_2D, ...) on the active texture unit;
/// the texture stays its owner's and must outlive the guard.
class ZEV_API ScopedTextureBinding {
public:
    ScopedTextureBinding(unsigned int target, unsigned int texture);
    ~ScopedTextureBinding();
    ScopedTextureBinding(const ScopedTextureBinding&) = delete;
    ScopedTextureBinding& operator=(const ScopedTextureBinding&) = delete;

private:
    unsigned int target_;
    unsigned int previous_ = 0;
};

/// Binds framebuffer (0: the default one) as the draw and read framebuffer.
class ZEV_API ScopedFramebufferBinding {
public:
    explicit ScopedFramebufferBinding(unsigned int framebuffer);
    ~ScopedFramebufferBinding();
    ScopedFramebufferBinding(const ScopedFramebufferBinding&) = delete;
    ScopedFramebufferBinding& operator=(const ScopedFramebufferBinding&) = delete;

private:
    unsigned int previous_ = 0;
};

}  // namespace ZEV::OGL
