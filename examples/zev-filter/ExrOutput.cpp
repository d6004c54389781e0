// The OpenEXR image of a result.
#include "ExrOutput.h"

#include "image_runtime/images/ImageAccessor.h"

namespace ZevFilter {

ExrImage toExrImage(const ZEV::ImageCPU& image, const ExrBox& displayWindow, ExrLayout layout,
                    ExrChannelType channelType) {
    ZEV::ImageCPUReadAccessor reader(image);
    ExrImage result;
    const int left = reader.offsetX();
    const int top = reader.offsetY();
    result.dataWindow = {left, top, left + static_cast<int>(reader.width()) - 1,
                         top + static_cast<int>(reader.height()) - 1};
    result.displayWindow = displayWindow;
    result.layout = layout;
    result.channelType = channelType;
    result.rgba.reserve(reader.width() * reader.height() * 4);
    for (int y = top; y <= result.dataWindow.maxY; ++y)
        for (int x = left; x <= result.dataWindow.maxX; ++x) {
            const ZEV::float4 colour = reader.getRGBAFloat4PixelAt(x, y);
            result.rgba.insert(result.rgba.end(), {colour[0], colour[1], colour[2], colour[3]});
        }
    return result;
}

}  // namespace ZevFilter
