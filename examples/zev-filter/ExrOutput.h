// From the CPU image the pipeline ends with to the OpenEXR image written out:
// the read-back floats as they are, linear and unclamped (half output rounds
// them; values beyond half's range become infinities).
#pragma once

#include "ExrIO.h"
#include "image_runtime/images/ImageCPU.h"

namespace ZevFilter {

// The data window is the image's own extent at its offset; the display
// window, layout and channel type are the caller's, usually the input's.
ExrImage toExrImage(const ZEV::ImageCPU& image, const ExrBox& displayWindow, ExrLayout layout,
                    ExrChannelType channelType);

}  // namespace ZevFilter
