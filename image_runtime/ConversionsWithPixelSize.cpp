// Pixel/world conversions. worldToPixelSpace multiplies by the reciprocal of
// the pixel size rather than dividing by it: the two differ in the last bit
// for sizes such as 0.1 (1.3 is pixel 13 by multiplication, just under 13 by
// division), and the regions filters agree on are those of the multiplication.
#include "image_runtime/ConversionsWithPixelSize.h"

#include <cmath>
#include <cstdint>
#include <sstream>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"

namespace ZEV {

namespace {
constexpr const char* kSource = "image_runtime/ConversionsWithPixelSize";

// 2^31 is exactly representable; every integral float below it fits in int.
constexpr float kIntRangeEnd = 2147483648.0f;

// The offset widened with its sign plus the size, as a signed 64-bit value.
// The sum is formed unsigned so that sizes beyond the signed range wrap
// instead of overflowing.
int64_t endOf(int offset, size_t size) {
    return static_cast<int64_t>(static_cast<uint64_t>(static_cast<int64_t>(offset)) + size);
}

// Converts an integral pixel coordinate to int. Coordinates outside the int
// range (including NaN, from infinite corners or NaN pixel sizes) are refused
// rather than wrapped: a wrapped value would describe a different region.
int toPixelCoordinate(float integral, int line) {
    if (!(integral >= -kIntRangeEnd && integral < kIntRangeEnd)) {
        std::ostringstream message;
        message << "Can't convert to IntegerRect: pixel coordinate " << integral
                << " does not fit in int";
        throwAt<ParameterException>(kSource, line, message.str());
    }
    return static_cast<int>(integral);
}

// The end minus the start as size_t, the difference widened with its sign
// (a negative pixel size gives a negative difference). Both ends fit in int,
// so the difference is taken in 64 bits: where a 32-bit difference would
// overflow (extents of 2^31 pixels or more), the exact extent is kept instead
// of a wrapped one.
size_t extentOf(int start, int end) {
    return static_cast<size_t>(static_cast<int64_t>(end) - static_cast<int64_t>(start));
}
}  // namespace

BoundingRect pixelToWorldSpace(const IntegerRect& rect, float2 pixelSize) {
    const int2& offset = rect.offset();
    const size2& size = rect.size();
    const float2 minimum(static_cast<float>(offset.i), static_cast<float>(offset.j));
    const float2 maximum(static_cast<float>(endOf(offset.i, size.i)),
                         static_cast<float>(endOf(offset.j, size.j)));
    return BoundingRect(float2(minimum.x * pixelSize.x, minimum.y * pixelSize.y),
                        float2(maximum.x * pixelSize.x, maximum.y * pixelSize.y));
}

IntegerRect worldToPixelSpace(const BoundingRect& rect, float2 pixelSize) {
    if (rect.isEmpty()) return IntegerRect();
    if (rect == BoundingRect::infinitePlane())
        throwAt<ParameterException>(kSource, __LINE__,
                                    "Can't convert infinitePlane to IntegerRect.");
    if (pixelSize.x == 0.0f)
        throwAt<ParameterException>(kSource, __LINE__,
                                    "Can't convert to IntegerRect with PixelSize == 0");
    if (pixelSize.y == 0.0f)
        throwAt<ParameterException>(kSource, __LINE__,
                                    "Can't convert to IntegerRect with PixelSize == 0");

    const float rx = 1.0f / pixelSize.x;
    const float ry = 1.0f / pixelSize.y;
    const float2& minimum = rect.minimum();
    const float2& maximum = rect.maximum();

    const int i = toPixelCoordinate(std::floor(minimum.x * rx), __LINE__);
    const int j = toPixelCoordinate(std::floor(minimum.y * ry), __LINE__);
    const int endI = toPixelCoordinate(std::ceil(maximum.x * rx), __LINE__);
    const int endJ = toPixelCoordinate(std::ceil(maximum.y * ry), __LINE__);
    return IntegerRect(int2(i, j), size2(extentOf(i, endI), extentOf(j, endJ)));
}

}  // namespace ZEV
