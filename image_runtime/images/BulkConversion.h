// Bulk conversions: whole spans of pixels between a CPU pixel format and
// float4 colours, and spans of float to half and back. They give exactly the
// results of the per-pixel rules (ImageCPUUtils.h) and of half's own
// conversions, bit for bit, and use the processor's vector instructions
// where it has them (chosen at run time). None of them allocates.
#pragma once

#include <cstddef>

#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/half.h"
#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// target[n] = half(source[n]) for n < count: nearest, ties away from zero,
/// overflow to an infinity, NaNs with their payload's top bits (a payload
/// that lies entirely in the dropped bits becomes the quiet NaN 0x7e00), and
/// every float that compares equal to zero (either sign) gives +0. The spans
/// must not overlap.
ZEV_API void narrowToHalf(const float* source, half* target, size_t count);

/// target[n] = float(source[n]) for n < count: exact, NaN payloads kept. The
/// spans must not overlap.
ZEV_API void widenToFloat(const half* source, float* target, size_t count);

/// Reads count pixels of the given format, tightly packed from pixels on,
/// into colors, as readRGBAFloat4Pixel does. A format without a conversion
/// rule throws InternalException "Invalid input image type" and touches
/// nothing. pixels must be aligned for the format's component type.
ZEV_API void readRGBAFloat4Pixels(ImageCPU::tePixelFormat format, const void* pixels,
                                  float4* colors, size_t count);

/// Stores count colors, each clamped to [0, 1], as tightly packed pixels of
/// the given format from pixels on, as writeRGBAFloat4Pixel does; exactly
/// count pixels' bytes are written. Same failure as the read.
ZEV_API void writeRGBAFloat4Pixels(ImageCPU::tePixelFormat format, const float4* colors,
                                   void* pixels, size_t count);

/// The count pixels of image row y from column x on (image coordinates, the
/// offset included), converted as the span forms above convert. A span that
/// does not lie within one row of the image throws ParameterException, before
/// anything is touched; then a format without a conversion rule throws as
/// above. The image is only borrowed for the call.
///@{
ZEV_API void readRGBAFloat4Row(const ImageCPU& image, int x, int y, float4* colors, size_t count);
ZEV_API void writeRGBAFloat4Row(ImageCPU& image, const float4* colors, int x, int y, size_t count);
///@}

namespace BulkConversionDetail {

/// The instruction sets the conversions can use. The functions above use the
/// best one the processor has; these forms take the level, so that each level
/// the processor supports can be checked against the others. A level above
/// bestLevel() runs instructions the processor lacks: never pass one.
enum class Level : int { Scalar, AVX2, AVX512 };

/// The best level the processor has, found once per process.
ZEV_API Level bestLevel();
/// The functions above at the given level, with the same results and failures.
///@{
ZEV_API void narrowToHalf(Level level, const float* source, half* target, size_t count);
ZEV_API void widenToFloat(Level level, const half* source, float* target, size_t count);
ZEV_API void readRGBAFloat4Pixels(Level level, ImageCPU::tePixelFormat format, const void* pixels,
                                  float4* colors, size_t count);
ZEV_API void writeRGBAFloat4Pixels(Level level, ImageCPU::tePixelFormat format,
                                   const float4* colors, void* pixels, size_t count);
///@}

}  // namespace BulkConversionDetail

}  // namespace ZEV
