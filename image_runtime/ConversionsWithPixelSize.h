// Conversion of rectangles between the integer pixel grid of an image and
// continuous world space, given the image's pixel size (world units per pixel).
#pragma once

#include "zev_core/Export.h"
#include "zev_core/Rect.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// The world rectangle covered by the pixels of rect. The pixel size is not
/// checked: a zero component collapses that axis, a negative one leaves the
/// minimum above the maximum.
ZEV_API BoundingRect pixelToWorldSpace(const IntegerRect& rect, float2 pixelSize);

/// The smallest pixel rectangle that covers rect; an empty rect gives an empty
/// IntegerRect. Throws ParameterException for the infinite plane, a zero
/// pixel-size component, or a rectangle whose pixel coordinates do not fit in int.
ZEV_API IntegerRect worldToPixelSpace(const BoundingRect& rect, float2 pixelSize);

}  // namespace ZEV
