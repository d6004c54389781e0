// The full-screen triangle.
#include "FullScreenTriangle.h"

#include <epoxy/gl.h>

namespace ZevFilter {

namespace {

// Puts the previously bound vertex array back however the draw ends.
class VertexArrayBinding {
public:
    explicit VertexArrayBinding(GLuint vertexArray) {
        glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previous_);
        glBindVertexArray(vertexArray);
    }
    ~VertexArrayBinding() { glBindVertexArray(static_cast<GLuint>(previous_)); }
    VertexArrayBinding(const VertexArrayBinding&) = delete;
    VertexArrayBinding& operator=(const VertexArrayBinding&) = delete;

private:
    GLint previous_ = 0;
};

}  // namespace

FullScreenTriangle::FullScreenTriangle() { glGenVertexArrays(1, &vertexArray_); }

FullScreenTriangle::~FullScreenTriangle() { glDeleteVertexArrays(1, &vertexArray_); }

void FullScreenTriangle::draw() const {
    const VertexArrayBinding binding(vertexArray_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
}

}  // namespace ZevFilter
