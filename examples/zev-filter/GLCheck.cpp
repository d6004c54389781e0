// OpenGL error checks.
#include "GLCheck.h"

#include <epoxy/gl.h>

#include <sstream>
#include <stdexcept>

namespace ZevFilter {

void throwOnGLError(const char* what) {
    const GLenum error = glGetError();
    if (error == GL_NO_ERROR) return;
    while (glGetError() != GL_NO_ERROR) {
    }
    std::ostringstream message;
    message << what << ": OpenGL error 0x" << std::hex << error;
    throw std::runtime_error(message.str());
}

}  // namespace ZevFilter
