// The CPU pass: darkens the picture towards its corners, line by line
// through the runtime's bulk conversions, reporting progress through the
// installed CPU progress callback after each batch of lines.
#pragma once

#include "ProgressBar.h"
#include "image_runtime/images/ImageCPU.h"

namespace ZevFilter {

enum class PassOutcome { Done, Cancelled };

// strength 0 leaves every pixel as it is, 1 makes the corners black. Float
// pictures stay unclamped; RGBA8 ones are rounded to the nearest level, as
// quantise() rounds. job is the callback's context; its line counts are
// kept up to date. Throws std::runtime_error when the callback fails.
PassOutcome applyVignette(ZEV::ImageCPU& image, float strength, ProgressJob& job);

}  // namespace ZevFilter
