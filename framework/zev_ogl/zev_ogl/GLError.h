// Internal helpers for zev_ogl's sources: GL error checks that throw, and the
// binding query of a texture target. Not installed.
#pragma once

#include <epoxy/gl.h>

#include <string>

namespace ZEV::OGL::detail {

// Clears errors left by earlier calls so that the next check sees only ours.
void drainErrors();
// Throws InternalException "<what>: GL error 0x...." when GL reports an error.
void checkError(const char* source, int line, const char* what);
std::string hex(unsigned int value);

GLenum bindingQuery(GLenum target);

}  // namespace ZEV::OGL::detail
