// The geometry of every filter pass: one triangle that covers the viewport,
// drawn from a vertex array object of its own. The vertex stage makes the
// corners from the vertex index, so the array holds no buffers.
#pragma once

namespace ZevFilter {

class FullScreenTriangle {
public:
    // Needs the caller's context current; use and destroy it in that context,
    // which alone knows the vertex array object.
    FullScreenTriangle();
    ~FullScreenTriangle();
    FullScreenTriangle(const FullScreenTriangle&) = delete;
    FullScreenTriangle& operator=(const FullScreenTriangle&) = delete;

    // Draws with the program in use; the caller's vertex array stays bound.
    void draw() const;

private:
    unsigned int vertexArray_ = 0;
};

}  // namespace ZevFilter
