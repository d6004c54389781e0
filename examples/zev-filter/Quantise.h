// From the CPU image the pipeline ends with to the 8-bit picture a PNG holds.
#pragma once

#include "RgbaPixels.h"
#include "image_runtime/images/ImageCPU.h"

namespace ZevFilter {

// Each channel clamped to [0, 1] and rounded to the nearest of 256 levels.
RgbaPixels quantise(const ZEV::ImageCPU& image);

}  // namespace ZevFilter
