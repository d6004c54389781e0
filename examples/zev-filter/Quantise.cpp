// Quantisation to 8 bits.
#include "Quantise.h"

#include <algorithm>
#include <cmath>

#include "image_runtime/images/ImageAccessor.h"

namespace ZevFilter {

RgbaPixels quantise(const ZEV::ImageCPU& image) {
    ZEV::ImageCPUReadAccessor reader(image);
    RgbaPixels pixels(reader.width(), reader.height());
    for (size_t row = 0; row < pixels.height; ++row) {
        for (size_t column = 0; column < pixels.width; ++column) {
            const ZEV::float4 colour =
                reader.getRGBAFloat4PixelAt(reader.offsetX() + static_cast<int>(column),
                                            reader.offsetY() + static_cast<int>(row));
            uint8_t* out = pixels.at(column, row);
            for (size_t c = 0; c < 4; ++c)
                out[c] =
                    static_cast<uint8_t>(std::lround(std::clamp(colour[c], 0.0f, 1.0f) * 255.0f));
        }
    }
    return pixels;
}

}  // namespace ZevFilter
