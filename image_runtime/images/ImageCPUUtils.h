// Reading and writing one pixel of a CPU image as a float4 colour (red,
// green, blue, alpha), for the formats whose entry in PixelFormatTable.h has
// a conversion rule. One template reads and one writes a pixel of a format
// given at compile time; the image's format picks the instance at run time.
// Inline, since the accessors call them once per pixel; the successful path
// allocates nothing.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/PixelFormatTable.h"
#include "image_runtime/images/half.h"
#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// The machinery of the per-pixel conversions below; not for callers.
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

// The typed accessors are final, so this is a plain load; pixels() is not.
inline const unsigned char* bufferOf(const ImageCPU& image) {
    return reinterpret_cast<const unsigned char*>(image.pixels_RGBA8());
}
inline unsigned char* bufferOf(ImageCPU& image) {
    return reinterpret_cast<unsigned char*>(image.pixels_RGBA8());
}

inline float fromByte(unsigned char value) { return static_cast<float>(value) / 255.0f; }

// Truncates toward zero. The colour is clamped already, so only NaN can be
// outside [0, 1]; it stores 0.
inline unsigned char toByte(float value) {
    return value > 0.0f ? static_cast<unsigned char>(value * 255.0f) : 0;
}

// Written so that the comparisons map onto the processor's min and max,
// which also leave NaN as it is.
inline float clampComponent(float value) {
    const float belowOne = value > 1.0f ? 1.0f : value;
    return belowOne < 0.0f ? 0.0f : belowOne;
}

inline float toFloat(unsigned char value) { return fromByte(value); }
inline float toFloat(half value) { return value; }
inline float toFloat(float value) { return value; }
inline void store(unsigned char& target, float clamped) { target = toByte(clamped); }
inline void store(half& target, float clamped) { target = clamped; }
inline void store(float& target, float clamped) { target = clamped; }

template <PixelFormatTable::Component>
struct ComponentType;
template <>
struct ComponentType<PixelFormatTable::Component::Byte> {
    using type = unsigned char;
};
template <>
struct ComponentType<PixelFormatTable::Component::Half> {
    using type = half;
};
template <>
struct ComponentType<PixelFormatTable::Component::Float> {
    using type = float;
};

template <int Format>
constexpr PixelFormatTable::Layout kLayout = PixelFormatTable::kEntries[Format].layout;
template <int Format>
using ComponentOf = typename ComponentType<kLayout<Format>.component>::type;

// A colour in one vector register; each format's branch stores it whole,
// which measured faster than a colour assembled where the branches meet.
using Lanes = float __attribute__((vector_size(16)));

inline float4 toFloat4(Lanes lanes) {
    float4 colour;
    std::memcpy(colour.v, &lanes, sizeof colour.v);
    return colour;
}

// True where a pixel is a float4 as it lies in memory.
template <int Format>
constexpr bool isFloat4 =
    kLayout<Format>.component == PixelFormatTable::Component::Float&& kLayout<Format>.count == 4 &&
    kLayout<Format>.colour[0] == 0 && kLayout<Format>.colour[1] == 1 &&
    kLayout<Format>.colour[2] == 2 && kLayout<Format>.colour[3] == 3;

// The pixel that starts at the given byte, in format Format.
template <int Format>
Lanes readPixel(const unsigned char* pixel) {
    constexpr PixelFormatTable::Layout layout = kLayout<Format>;
    Lanes colour = {0.0f, 0.0f, 0.0f, 1.0f};
    if constexpr (isFloat4<Format>) {
        std::memcpy(&colour, pixel, sizeof colour);
    } else {
        const auto* components = reinterpret_cast<const ComponentOf<Format>*>(pixel);
        for (unsigned int n = 0; n < layout.count; ++n)
            colour[layout.colour[n]] = toFloat(components[n]);
    }
    return colour;
}

// Stores a colour that is clamped already; a missing alpha is dropped.
template <int Format>
void writePixel(unsigned char* pixel, const float4& clamped) {
    constexpr PixelFormatTable::Layout layout = kLayout<Format>;
    auto* components = reinterpret_cast<ComponentOf<Format>*>(pixel);
    for (unsigned int n = 0; n < layout.count; ++n) store(components[n], clamped[layout.colour[n]]);
}

// Calls visit for Format when the table gives it a conversion rule.
template <int Format, class Visit>
bool visitIfConvertible(Visit& visit) {
    if constexpr (PixelFormatTable::convertible(Format)) {
        visit(std::integral_constant<int, Format>());
        return true;
    } else {
        return false;
    }
}

// Calls visit(std::integral_constant<int, format>()) when the format has a
// conversion rule; false when it has none. A switch over every format value,
// so that the compiler dispatches through a jump table: a chain of
// comparisons made the formats late in the chain measurably slower.
template <class Visit>
bool withConvertibleFormat(int format, Visit&& visit) {
    static_assert(ImageCPU::PIXEL_FORMAT_UNDEFINED == 19, "one case per format value below");
    // Float RGBA, the format filters work in, converts in a single copy, so
    // the jump is a large share of its access; it is tested before the jump.
    if (format == ImageCPU::PIXEL_FORMAT_RGBA32F)
        return visitIfConvertible<ImageCPU::PIXEL_FORMAT_RGBA32F>(visit);
    switch (format) {
        case 1: return visitIfConvertible<1>(visit);
        case 2: return visitIfConvertible<2>(visit);
        case 3: return visitIfConvertible<3>(visit);
        case 4: return visitIfConvertible<4>(visit);
        case 5: return visitIfConvertible<5>(visit);
        case 6: return visitIfConvertible<6>(visit);
        case 7: return visitIfConvertible<7>(visit);
        case 8: return visitIfConvertible<8>(visit);
        case 9: return visitIfConvertible<9>(visit);
        case 10: return visitIfConvertible<10>(visit);
        case 11: return visitIfConvertible<11>(visit);
        case 12: return visitIfConvertible<12>(visit);
        case 13: return visitIfConvertible<13>(visit);
        case 14: return visitIfConvertible<14>(visit);
        case 15: return visitIfConvertible<15>(visit);
        case 16: return visitIfConvertible<16>(visit);
        case 17: return visitIfConvertible<17>(visit);
        case 18: return visitIfConvertible<18>(visit);
        default: return false;
    }
}

}  // namespace ImageCPUUtilsDetail

/// Each component limited to [0, 1]; NaN is left as it is.
inline float4 clampToUnitRange(const float4& color) {
    using ImageCPUUtilsDetail::clampComponent;
    return float4(clampComponent(color[0]), clampComponent(color[1]), clampComponent(color[2]),
                  clampComponent(color[3]));
}

/// The pixel at grid position (x, y), the image's offset included; the
/// position is not checked. 8-bit components read as value / 255, a missing
/// alpha as 1. Only BGR8, BGRA8, RGB8, RGBA8, RGB16F, RGBA16F, RGB32F and
/// RGBA32F have a conversion rule; other formats throw InternalException
/// "Invalid input image type".
inline float4 readRGBAFloat4Pixel(const ImageCPU& image, int x, int y) {
    using namespace ImageCPUUtilsDetail;
    const int index = pixelIndex(image, x, y);
    float4 color;
    const bool known = withConvertibleFormat(image.pixelFormat(), [&](auto format) {
        constexpr int kFormat = decltype(format)::value;
        constexpr auto bytes =
            static_cast<ptrdiff_t>(PixelFormatTable::layoutBytes(kLayout<kFormat>));
        const Lanes lanes = readPixel<kFormat>(bufferOf(image) + index * bytes);
        std::memcpy(color.v, &lanes, sizeof color.v);
    });
    if (!known) throwInvalidInputImageType(__LINE__);
    return color;
}

/// Stores the colour, clamped to [0, 1], at grid position (x, y) in the
/// image's format; the position is not checked. 8-bit components store
/// value * 255 truncated toward zero and 0 for NaN; half components round to
/// nearest; float components, NaN included, store the clamped value.
/// Three-channel formats drop alpha. Formats fail as in the read.
inline void writeRGBAFloat4Pixel(ImageCPU& image, float4 color, int x, int y) {
    using namespace ImageCPUUtilsDetail;
    const int index = pixelIndex(image, x, y);
    const float4 clamped = clampToUnitRange(color);
    const bool known = withConvertibleFormat(image.pixelFormat(), [&](auto format) {
        constexpr int kFormat = decltype(format)::value;
        constexpr auto bytes =
            static_cast<ptrdiff_t>(PixelFormatTable::layoutBytes(kLayout<kFormat>));
        writePixel<kFormat>(bufferOf(image) + index * bytes, clamped);
    });
    if (!known) throwInvalidInputImageType(__LINE__);
}

}  // namespace ZEV
