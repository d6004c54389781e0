// The framebuffer-object owner. A framebuffer object belongs to the context
// that made it (not every driver shares them within a share group): create,
// use and delete it only there.
#pragma once

#include "zev_core/Export.h"
#include "zev_ogl/Object.h"

namespace ZEV::OGL {

/// Every member needs the context that made the framebuffer object current.
class ZEV_API FramebufferObject : public Object {
public:
    static constexpr unsigned int COMPLETE = 0x8CD5;     ///< GL_FRAMEBUFFER_COMPLETE_EXT
    static constexpr unsigned int UNSUPPORTED = 0x8CDD;  ///< GL_FRAMEBUFFER_UNSUPPORTED_EXT

    /// Generates a framebuffer object in the current context.
    FramebufferObject();
    /// Adopts a framebuffer object made elsewhere; it is deleted with this owner.
    static FramebufferObject wrap(unsigned int name);
    FramebufferObject(FramebufferObject&& other) noexcept;
    FramebufferObject& operator=(FramebufferObject&& other) noexcept;
    /// Deletes the framebuffer object, if it holds one, in the current context.
    ~FramebufferObject() override;
    /// Gives the name up: the caller deletes it, and this owner holds 0.
    unsigned int release() noexcept;

    unsigned int getBoundID() const override;
    /// Binds this framebuffer (draw and read); a ScopedFramebufferBinding
    /// around the call restores the caller's.
    void bind() const;
    /// Binds this framebuffer and attaches level 0 of a 2D texture as its
    /// colour attachment 0 (texture 0 detaches). The texture stays its owner's.
    void attachTexture2D(unsigned int texture) const;
    /// Binds this framebuffer and returns its completeness status (COMPLETE, ...).
    unsigned int status() const;

private:
    explicit FramebufferObject(unsigned int name) noexcept;
    void destroy() noexcept;
};

}  // namespace ZEV::OGL
