// Internal helpers for zev_ogl's sources: GL error checks that throw, and a
// scoped texture binding. Not installed.
#pragma once

#include <epoxy/gl.h>

#include <string>

namespace ZEV::OGL::detail {

// Clears errors left by earlier calls so that the next check sees only ours.
void drainErrors();
// Throws InternalException "<what>: GL error 0x...." when GL reports an error.
void checkError(const char* source, int line, const char* what);
std::string hex(unsigned int value);

class ScopedTextureBinding {
public:
    ScopedTextureBinding(GLenum target, GLuint texture);
    ~ScopedTextureBinding();
    ScopedTextureBinding(const ScopedTextureBinding&) = delete;
    ScopedTextureBinding& operator=(const ScopedTextureBinding&) = delete;

private:
    GLenum target_;
    GLint previous_ = 0;
};

GLenum bindingQuery(GLenum target);

}  // namespace ZEV::OGL::detail
