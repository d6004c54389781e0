// GL error checks for zev_ogl's sources.
#include "zev_ogl/GLError.h"

#include <sstream>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"

namespace ZEV::OGL::detail {

void drainErrors() {
    for (int n = 0; n < 16 && glGetError() != GL_NO_ERROR; ++n) {
    }
}

std::string hex(unsigned int value) {
    std::ostringstream s;
    s << "0x" << std::hex << value;
    return s.str();
}

void checkError(const char* source, int line, const char* what) {
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        throwAt<InternalException>(source, line, std::string(what) + ": GL error " + hex(error));
}

GLenum bindingQuery(GLenum target) {
    switch (target) {
        case GL_TEXTURE_1D: return GL_TEXTURE_BINDING_1D;
        case GL_TEXTURE_3D: return GL_TEXTURE_BINDING_3D;
        case GL_TEXTURE_RECTANGLE: return GL_TEXTURE_BINDING_RECTANGLE;
        default: return GL_TEXTURE_BINDING_2D;
    }
}

}  // namespace ZEV::OGL::detail
