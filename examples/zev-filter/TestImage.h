// The built-in test image, so that the host runs without any file: colour
// gradients, a checkerboard and fine lines, each showing what a filter does
// to smooth areas, hard edges and detail near the pixel scale.
#pragma once

#include <cstddef>

#include "RgbaPixels.h"

namespace ZevFilter {

// Opaque; the same picture at any size, bands scaled to it.
RgbaPixels makeTestImage(size_t width, size_t height);

}  // namespace ZevFilter
