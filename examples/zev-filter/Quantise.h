// From the CPU image the pipeline ends with to the 8- or 16-bit picture a
// PNG holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "RgbaPixels.h"
#include "image_runtime/images/ImageCPU.h"
#include "zev_core/Vectors.h"

namespace ZevFilter {

// Each channel clamped to [0, 1] (NaN to 0) and rounded to the nearest of 256 or 65536
// levels, halves up; bitDepth is 8 or 16.
RgbaPixels quantise(const ZEV::ImageCPU& image, int bitDepth);

// The same rule for count colours, into count * 4 samples.
void quantiseRow(const ZEV::float4* colours, size_t count, uint8_t* samples);
void quantiseRow(const ZEV::float4* colours, size_t count, uint16_t* samples);

}  // namespace ZevFilter
