// Quantisation to 8 or 16 bits.
#include "Quantise.h"

#include <algorithm>
#include <cmath>

#include "image_runtime/images/ImageAccessor.h"

namespace ZevFilter {

RgbaPixels quantise(const ZEV::ImageCPU& image, int bitDepth) {
    ZEV::ImageCPUReadAccessor reader(image);
    RgbaPixels pixels(reader.width(), reader.height(), bitDepth);
    const auto levels = static_cast<float>(pixels.maxSample());
    for (size_t row = 0; row < pixels.height; ++row) {
        for (size_t column = 0; column < pixels.width; ++column) {
            const ZEV::float4 colour =
                reader.getRGBAFloat4PixelAt(reader.offsetX() + static_cast<int>(column),
                                            reader.offsetY() + static_cast<int>(row));
            for (size_t c = 0; c < 4; ++c) {
                // NaN becomes 0, like values below 0.
                const float level = colour[c] > 0.0f ? std::min(colour[c], 1.0f) : 0.0f;
                pixels.setSample(column, row, c,
                                 static_cast<unsigned int>(std::lround(level * levels)));
            }
        }
    }
    return pixels;
}

}  // namespace ZevFilter
