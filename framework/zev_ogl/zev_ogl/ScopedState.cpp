// Scoped viewport, clear colour and pixel-unpack state.
#include "zev_ogl/ScopedState.h"

#include <epoxy/gl.h>

#include "zev_ogl/Texture.h"

namespace ZEV::OGL {

ScopedViewport::ScopedViewport(int x, int y, int width, int height) {
    glGetIntegerv(GL_VIEWPORT, previous_);
    glViewport(x, y, width, height);
}

ScopedViewport::~ScopedViewport() {
    glViewport(previous_[0], previous_[1], previous_[2], previous_[3]);
}

ScopedClearColor::ScopedClearColor(float red, float green, float blue, float alpha) {
    glGetFloatv(GL_COLOR_CLEAR_VALUE, previous_);
    glClearColor(red, green, blue, alpha);
}

ScopedClearColor::~ScopedClearColor() {
    glClearColor(previous_[0], previous_[1], previous_[2], previous_[3]);
}

ScopedPixelUnpack::ScopedPixelUnpack(const PixelUnpackParameters& unpack) {
    GLint buffer = 0;
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength_);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment_);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows_);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels_);
    glGetIntegerv(GL_PIXEL_UNPACK_BUFFER_BINDING, &buffer);
    buffer_ = static_cast<unsigned int>(buffer);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(unpack.rowLength()));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    if (buffer_ != 0) glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
}

ScopedPixelUnpack::~ScopedPixelUnpack() {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment_);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows_);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels_);
    if (buffer_ != 0) glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer_);
}

}  // namespace ZEV::OGL
