// Scoped GL state: each guard sets one piece of state for one scope and puts
// back the caller's value on destruction, also when an exception unwinds.
// Construct and destroy them with the same context current.
#pragma once

#include "zev_core/Export.h"

namespace ZEV::OGL {

class PixelUnpackParameters;

/// Sets the viewport.
class ZEV_API ScopedViewport {
public:
    ScopedViewport(int x, int y, int width, int height);
    ~ScopedViewport();
    ScopedViewport(const ScopedViewport&) = delete;
    ScopedViewport& operator=(const ScopedViewport&) = delete;

private:
    int previous_[4] = {0, 0, 0, 0};
};

/// Sets the clear colour.
class ZEV_API ScopedClearColor {
public:
    ScopedClearColor(float red, float green, float blue, float alpha);
    ~ScopedClearColor();
    ScopedClearColor(const ScopedClearColor&) = delete;
    ScopedClearColor& operator=(const ScopedClearColor&) = delete;

private:
    float previous_[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

/// Unpacks client memory as unpack describes: its row length, alignment 1, no
/// skipped rows or pixels, and from client memory rather than a bound pixel
/// unpack buffer.
class ZEV_API ScopedPixelUnpack {
public:
    explicit ScopedPixelUnpack(const PixelUnpackParameters& unpack);
    ~ScopedPixelUnpack();
    ScopedPixelUnpack(const ScopedPixelUnpack&) = delete;
    ScopedPixelUnpack& operator=(const ScopedPixelUnpack&) = delete;

private:
    int rowLength_ = 0;
    int alignment_ = 4;
    int skipRows_ = 0;
    int skipPixels_ = 0;
    unsigned int buffer_ = 0;
};

}  // namespace ZEV::OGL
