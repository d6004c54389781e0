// The pixel structures through which typed code reads a CPU image buffer:
// tightly packed components in the order of the structure's name.
#pragma once

#include "image_runtime/images/half.h"

namespace ZEV {

/// Blue first in memory, as PIXEL_FORMAT_BGR8 stores it.
struct PixelBGR8 {
    unsigned char blue, green, red;
};
/// Blue first in memory, as PIXEL_FORMAT_BGRA8 stores it.
struct PixelBGRA8 {
    unsigned char blue, green, red, alpha;
};
struct PixelRGB8 {
    unsigned char red, green, blue;
};
struct PixelRGBA8 {
    unsigned char red, green, blue, alpha;
};
/// ImageCPU refuses the 16F formats, so no CPU image holds these pixels.
struct PixelRGB16F {
    half red, green, blue;
};
/// ImageCPU refuses the 16F formats, so no CPU image holds these pixels.
struct PixelRGBA16F {
    half red, green, blue, alpha;
};
struct PixelRGB32F {
    float red, green, blue;
};
struct PixelRGBA32F {
    float red, green, blue, alpha;
};
/// Its format has no float4 conversion rule: typed access only.
struct PixelLuminance8 {
    unsigned char luminance;
};
/// ImageCPU refuses the 16F formats, so no CPU image holds these pixels.
struct PixelLuminance16F {
    half luminance;
};
/// Its format has no float4 conversion rule: typed access only.
struct PixelLuminance32F {
    float luminance;
};
/// Its format has no float4 conversion rule: typed access only.
struct PixelLuminanceAlpha8 {
    unsigned char luminance, alpha;
};
/// ImageCPU refuses the 16F formats, so no CPU image holds these pixels.
struct PixelLuminanceAlpha16F {
    half luminance, alpha;
};
/// Its format has no float4 conversion rule: typed access only.
struct PixelLuminanceAlpha32F {
    float luminance, alpha;
};

static_assert(sizeof(PixelBGR8) == 3 && sizeof(PixelBGRA8) == 4, "BGR pixels are packed");
static_assert(sizeof(PixelRGB8) == 3 && sizeof(PixelRGBA8) == 4, "RGB8 pixels are packed");
static_assert(sizeof(PixelRGB16F) == 6 && sizeof(PixelRGBA16F) == 8, "16F pixels are packed");
static_assert(sizeof(PixelRGB32F) == 12 && sizeof(PixelRGBA32F) == 16, "32F pixels are packed");
static_assert(sizeof(PixelLuminance8) == 1 && sizeof(PixelLuminance16F) == 2 &&
                  sizeof(PixelLuminance32F) == 4,
              "luminance pixels are packed");
static_assert(sizeof(PixelLuminanceAlpha8) == 2 && sizeof(PixelLuminanceAlpha16F) == 4 &&
                  sizeof(PixelLuminanceAlpha32F) == 8,
              "luminance-alpha pixels are packed");

}  // namespace ZEV
