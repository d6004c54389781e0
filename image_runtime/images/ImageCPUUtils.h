// Reading and writing one pixel of a CPU image as a float4 colour (red,
// green, blue, alpha), for the formats with a conversion rule: 8-bit, 32-bit
// float and 16-bit float RGB(A) and BGR(A). Inline, since the accessors call
// them once per pixel; the successful path allocates nothing.
#pragma once

#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/half.h"
#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

namespace ImageCPUUtilsDetail {

// Throws the unsupported-format exception for the check at the given line.
[[noreturn]] ZEV_API void throwInvalidInputImageType(int line);

// Element number of the pixel at image coordinates (x, y). The arithmetic is
// 32-bit; the buffer size limit of ImageCPU keeps it from wrapping.
inline int pixelIndex(const ImageCPU& image, int x, int y) {
    const int offsetY = image.offsetY();
    const int physicalWidth = static_cast<int>(image.physicalWidth());
    const int offsetX = image.offsetX();
    return physicalWidth * (y - offsetY) + (x - offsetX);
}

inline float fromByte(unsigned char value) { return static_cast<float>(value) / 255.0f; }

// Truncates toward zero. The colour is clamped already, so only NaN can be
// outside [0, 1]; it stores 0.
inline unsigned char toByte(float value) {
    return value > 0.0f ? static_cast<unsigned char>(value * 255.0f) : 0;
}

}  // namespace ImageCPUUtilsDetail

namespace ImageCPUUtilsDetail {

// Written so that the comparisons map onto the processor's min and max,
// which also leave NaN as it is.
inline float clampComponent(float value) {
    const float belowOne = value > 1.0f ? 1.0f : value;
    return belowOne < 0.0f ? 0.0f : belowOne;
}

}  // namespace ImageCPUUtilsDetail

// Each component limited to [0, 1]; NaN is left as it is.
inline float4 clampToUnitRange(const float4& color) {
    using ImageCPUUtilsDetail::clampComponent;
    return float4(clampComponent(color[0]), clampComponent(color[1]), clampComponent(color[2]),
                  clampComponent(color[3]));
}

// The pixel at (x, y); coordinates are not checked.
inline float4 readRGBAFloat4Pixel(const ImageCPU& image, int x, int y) {
    using namespace ImageCPUUtilsDetail;
    const int index = pixelIndex(image, x, y);
    float4 color(0.0f);
    switch (image.pixelFormat()) {
        case ImageCPU::PIXEL_FORMAT_BGR8: {
            const PixelBGR8& p = image.pixels_BGR8()[index];
            color = float4(fromByte(p.red), fromByte(p.green), fromByte(p.blue), 1.0f);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_BGRA8: {
            const PixelBGRA8& p = image.pixels_BGRA8()[index];
            color = float4(fromByte(p.red), fromByte(p.green), fromByte(p.blue), fromByte(p.alpha));
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGB8: {
            const PixelRGB8& p = image.pixels_RGB8()[index];
            color = float4(fromByte(p.red), fromByte(p.green), fromByte(p.blue), 1.0f);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGBA8: {
            const PixelRGBA8& p = image.pixels_RGBA8()[index];
            color = float4(fromByte(p.red), fromByte(p.green), fromByte(p.blue), fromByte(p.alpha));
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGB32F: {
            const PixelRGB32F& p = image.pixels_RGB32F()[index];
            color = float4(p.red, p.green, p.blue, 1.0f);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGBA32F: {
            const PixelRGBA32F& p = image.pixels_RGBA32F()[index];
            color = float4(p.red, p.green, p.blue, p.alpha);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGB16F: {
            const PixelRGB16F& p = image.pixels_RGB16F()[index];
            color = float4(p.red, p.green, p.blue, 1.0f);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGBA16F: {
            const PixelRGBA16F& p = image.pixels_RGBA16F()[index];
            color = float4(p.red, p.green, p.blue, p.alpha);
            break;
        }
        default: throwInvalidInputImageType(__LINE__);
    }
    return color;
}

// Stores the colour, clamped to [0, 1], at (x, y) in the image's format;
// coordinates are not checked. Three-channel formats drop alpha.
inline void writeRGBAFloat4Pixel(ImageCPU& image, float4 color, int x, int y) {
    using namespace ImageCPUUtilsDetail;
    const int index = pixelIndex(image, x, y);
    const float4 c = clampToUnitRange(color);
    switch (image.pixelFormat()) {
        case ImageCPU::PIXEL_FORMAT_BGR8: {
            PixelBGR8& p = image.pixels_BGR8()[index];
            p.blue = toByte(c[2]);
            p.green = toByte(c[1]);
            p.red = toByte(c[0]);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_BGRA8: {
            PixelBGRA8& p = image.pixels_BGRA8()[index];
            p.blue = toByte(c[2]);
            p.green = toByte(c[1]);
            p.red = toByte(c[0]);
            p.alpha = toByte(c[3]);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGB8: {
            PixelRGB8& p = image.pixels_RGB8()[index];
            p.red = toByte(c[0]);
            p.green = toByte(c[1]);
            p.blue = toByte(c[2]);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGBA8: {
            PixelRGBA8& p = image.pixels_RGBA8()[index];
            p.red = toByte(c[0]);
            p.green = toByte(c[1]);
            p.blue = toByte(c[2]);
            p.alpha = toByte(c[3]);
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGB32F: {
            PixelRGB32F& p = image.pixels_RGB32F()[index];
            p.red = c[0];
            p.green = c[1];
            p.blue = c[2];
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGBA32F: {
            PixelRGBA32F& p = image.pixels_RGBA32F()[index];
            p.red = c[0];
            p.green = c[1];
            p.blue = c[2];
            p.alpha = c[3];
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGB16F: {
            PixelRGB16F& p = image.pixels_RGB16F()[index];
            p.red = c[0];
            p.green = c[1];
            p.blue = c[2];
            break;
        }
        case ImageCPU::PIXEL_FORMAT_RGBA16F: {
            PixelRGBA16F& p = image.pixels_RGBA16F()[index];
            p.red = c[0];
            p.green = c[1];
            p.blue = c[2];
            p.alpha = c[3];
            break;
        }
        default: throwInvalidInputImageType(__LINE__);
    }
}

}  // namespace ZEV
