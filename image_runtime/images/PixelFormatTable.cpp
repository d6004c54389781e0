// Checks the GL enumerants that PixelFormatTable.h spells out against the GL
// header; nothing here is compiled into code.
#include "image_runtime/images/PixelFormatTable.h"

#include <epoxy/gl.h>

namespace ZEV::PixelFormatTable::GL {

static_assert(kRGB == GL_RGB && kRGBA == GL_RGBA && kBGR == GL_BGR && kBGRA == GL_BGRA);
static_assert(kLuminance == GL_LUMINANCE && kLuminanceAlpha == GL_LUMINANCE_ALPHA);
static_assert(kUnsignedByte == GL_UNSIGNED_BYTE && kUnsignedShort == GL_UNSIGNED_SHORT &&
              kFloat == GL_FLOAT && kHalfFloat == GL_HALF_FLOAT);

}  // namespace ZEV::PixelFormatTable::GL
