// The framebuffer-object calls by raw name, counted as live objects, for
// code that keeps a bare name; FramebufferObject.h has the owner, which new
// code uses. A framebuffer object belongs to the context that made it: use
// and delete it only there.
#pragma once

#include "zev_core/Export.h"

namespace ZEV::OGL::Framebuffer {

/// A new framebuffer object of the current context; the caller owns the name
/// and deletes it with destroy() in that context.
ZEV_API unsigned int generate();
/// Deletes a name from generate() in the context that made it.
ZEV_API void destroy(unsigned int framebuffer);
/// Binds framebuffer (0: the default one) for drawing and reading.
ZEV_API void bind(unsigned int framebuffer);
ZEV_API unsigned int currentBinding();
/// Attaches level 0 of a 2D texture as colour attachment 0 of the bound framebuffer.
ZEV_API void attachTexture2D(unsigned int texture);
/// glCheckFramebufferStatusEXT of the bound framebuffer.
ZEV_API unsigned int status();

constexpr unsigned int COMPLETE = 0x8CD5;
constexpr unsigned int UNSUPPORTED = 0x8CDD;

}  // namespace ZEV::OGL::Framebuffer
