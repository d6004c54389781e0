// The abstract base of every image: offset on the pixel grid, size in pixels
// and pixel size in world units; derived classes report their storage extent.
#pragma once

#include <cstddef>
#include <iosfwd>

#include "zev_core/Export.h"
#include "zev_core/Rect.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// The grid rectangle and pixel size are plain values, copied with the image.
class ZEV_API ImageBase {
public:
    /// An empty image at (0, 0) with a pixel size of 1.
    ImageBase();
    /// A pixel size not above 0 (or NaN) in either axis throws InternalException.
    ///@{
    ImageBase(const int2& offset, const size2& size, float2 pixelSize);
    ImageBase(const IntegerRect& rect, float2 pixelSize);
    ///@}
    ImageBase(const ImageBase&) = default;
    ImageBase& operator=(const ImageBase&) = default;
    virtual ~ImageBase();

    /// The extent of the storage, which may exceed the image's size.
    ///@{
    virtual size_t physicalWidth() const = 0;
    virtual size_t physicalHeight() const = 0;
    virtual size2 physicalSize() const = 0;
    ///@}
    /// Where the image has pixels on the grid: offset and size.
    virtual IntegerRect domainOfDefinition() const;
    /// Writes a multi-line description, one "name : value" line each.
    virtual void doWrite(std::ostream& os) const;

    size_t width() const { return size_.i; }
    size_t height() const { return size_.j; }
    size2 size() const { return size_; }
    int offsetX() const { return offset_.i; }
    int offsetY() const { return offset_.j; }
    int2 offset() const { return offset_; }
    size_t numberOfPixels() const { return width() * height(); }
    const float2 pixelSize() const { return pixelSize_; }
    void setPixelSize(float2 pixelSize) { pixelSize_ = pixelSize; }

private:
    int2 offset_;
    size2 size_;
    float2 pixelSize_;
};

/// Writes image.doWrite(os).
ZEV_API std::ostream& operator<<(std::ostream& os, const ImageBase& image);

}  // namespace ZEV
