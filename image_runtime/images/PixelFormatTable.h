// The one table of CPU pixel formats, indexed by ImageCPU::tePixelFormat: the
// printed name, what channelCount and PixelSize answer, the memory layout that
// the float4 conversions follow, and the GL transfer format and type that
// describe the bytes. Everything per format is derived from this table.
#pragma once

#include <cstddef>
#include <iterator>

#include "image_runtime/images/ImageCPU.h"

/// Plain constant data, read at compile time by the conversions; hosts see it
/// through ImageCPUUtils.h but need not use it.
namespace ZEV::PixelFormatTable {

/// The component type of a format's pixels; None marks a format without a
/// float4 conversion rule.
enum class Component : unsigned char { None, Byte, Half, Float };

/// Components in memory order; each one's float4 index (0 red ... 3 alpha).
/// A colour without a component reads as 1.0 for alpha (three channels) and
/// is dropped on writing.
struct Layout {
    Component component;
    unsigned char count;
    unsigned char colour[4];
};

/// What one format value answers.
struct Entry {
    const char* name;     ///< What operator<< writes.
    size_t channelCount;  ///< 0: channelCount refuses the format.
    size_t pixelSize;     ///< 0: PixelSize refuses it as not implemented.
    Layout layout;
    unsigned int glFormat;  ///< GL transfer format of the bytes; 0 where none applies.
    unsigned int glType;    ///< GL transfer type of the bytes; 0 where none applies.
};

/// The GL enumerants the table uses, spelled out so that this header needs no
/// GL header; PixelFormatTable.cpp checks them against the real ones.
namespace GL {
constexpr unsigned int kRGB = 0x1907, kRGBA = 0x1908, kBGR = 0x80E0, kBGRA = 0x80E1;
constexpr unsigned int kLuminance = 0x1909, kLuminanceAlpha = 0x190A;
constexpr unsigned int kUnsignedByte = 0x1401, kUnsignedShort = 0x1403, kFloat = 0x1406,
                       kHalfFloat = 0x140B;
}  // namespace GL

constexpr Layout kNoRule{Component::None, 0, {0, 0, 0, 0}};
constexpr Layout kRGBLayout(Component c) { return {c, 3, {0, 1, 2, 0}}; }
constexpr Layout kRGBALayout(Component c) { return {c, 4, {0, 1, 2, 3}}; }

/// Indexed by format value; entry 0 stands for every value outside the enumeration.
inline constexpr Entry kEntries[] = {
    {"UNKNOWN", 0, 0, kNoRule, 0, 0},
    {"PIXEL_FORMAT_BGR8", 3, 3, {Component::Byte, 3, {2, 1, 0, 0}}, GL::kBGR, GL::kUnsignedByte},
    {"PIXEL_FORMAT_BGRA8", 4, 4, {Component::Byte, 4, {2, 1, 0, 3}}, GL::kBGRA, GL::kUnsignedByte},
    {"PIXEL_FORMAT_RGB8", 3, 3, kRGBLayout(Component::Byte), GL::kRGB, GL::kUnsignedByte},
    {"PIXEL_FORMAT_RGBA8", 4, 4, kRGBALayout(Component::Byte), GL::kRGBA, GL::kUnsignedByte},
    {"PIXEL_FORMAT_RGB16", 3, 6, kNoRule, GL::kRGB, GL::kUnsignedShort},
    {"PIXEL_FORMAT_RGBA16", 4, 8, kNoRule, GL::kRGBA, GL::kUnsignedShort},
    {"PIXEL_FORMAT_RGB32F", 3, 12, kRGBLayout(Component::Float), GL::kRGB, GL::kFloat},
    {"PIXEL_FORMAT_RGBA32F", 4, 16, kRGBALayout(Component::Float), GL::kRGBA, GL::kFloat},
    {"PIXEL_FORMAT_LUMINANCE8", 1, 1, kNoRule, GL::kLuminance, GL::kUnsignedByte},
    {"PIXEL_FORMAT_LUMINANCE16", 1, 0, kNoRule, GL::kLuminance, GL::kUnsignedShort},
    {"PIXEL_FORMAT_LUMINANCE32F", 1, 4, kNoRule, GL::kLuminance, GL::kFloat},
    {"PIXEL_FORMAT_LUMINANCE_ALPHA8", 2, 2, kNoRule, GL::kLuminanceAlpha, GL::kUnsignedByte},
    {"PIXEL_FORMAT_LUMINANCE_ALPHA16", 2, 0, kNoRule, GL::kLuminanceAlpha, GL::kUnsignedShort},
    {"PIXEL_FORMAT_LUMINANCE_ALPHA32F", 2, 8, kNoRule, GL::kLuminanceAlpha, GL::kFloat},
    // The half-float formats have pixel structures and conversion rules, but
    // channelCount and PixelSize refuse them, so no ImageCPU is built in them.
    {"PIXEL_FORMAT_RGB16F", 0, 0, kRGBLayout(Component::Half), GL::kRGB, GL::kHalfFloat},
    {"PIXEL_FORMAT_RGBA16F", 0, 0, kRGBALayout(Component::Half), GL::kRGBA, GL::kHalfFloat},
    {"PIXEL_FORMAT_LUMINANCE16F", 0, 0, kNoRule, GL::kLuminance, GL::kHalfFloat},
    {"PIXEL_FORMAT_LUMINANCE_ALPHA16F", 0, 0, kNoRule, GL::kLuminanceAlpha, GL::kHalfFloat},
    {"PIXEL_FORMAT_UNDEFINED", 0, 0, kNoRule, 0, 0},
};
static_assert(std::size(kEntries) == ImageCPU::PIXEL_FORMAT_UNDEFINED + 1,
              "one entry for 0 and for each format value");

/// True for the enumeration's values, UNDEFINED included.
constexpr bool known(int format) {
    return format >= ImageCPU::PIXEL_FORMAT_BGR8 && format <= ImageCPU::PIXEL_FORMAT_UNDEFINED;
}

/// The entry of a format value; every value outside the enumeration reads
/// the entry of 0.
constexpr const Entry& entry(int format) { return kEntries[known(format) ? format : 0]; }

/// Bytes of one component; 0 for None.
constexpr size_t componentBytes(Component c) {
    return c == Component::Byte ? 1 : c == Component::Half ? 2 : c == Component::Float ? 4 : 0;
}

/// Bytes of one pixel as the conversions store it; 0 without a rule.
constexpr size_t layoutBytes(const Layout& layout) {
    return layout.count * componentBytes(layout.component);
}

/// Whether the format has a float4 conversion rule.
constexpr bool convertible(int format) { return entry(format).layout.component != Component::None; }

}  // namespace ZEV::PixelFormatTable
