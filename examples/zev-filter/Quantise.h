// From the CPU image the pipeline ends with to the 8- or 16-bit picture a
// PNG holds.
#pragma once

#include "RgbaPixels.h"
#include "image_runtime/images/ImageCPU.h"

namespace ZevFilter {

// Each channel clamped to [0, 1] (NaN to 0) and rounded to the nearest of 256 or 65536
// levels; bitDepth is 8 or 16.
RgbaPixels quantise(const ZEV::ImageCPU& image, int bitDepth);

}  // namespace ZevFilter
