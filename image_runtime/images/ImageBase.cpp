// ImageBase: construction checks and the six-line description.
#include "image_runtime/images/ImageBase.h"

#include <ostream>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"

namespace ZEV {

namespace {
constexpr const char* kSource = "image_runtime/images/ImageBase";
}

ImageBase::ImageBase() : offset_(0), size_(0), pixelSize_(1.0f, 1.0f) {}

ImageBase::ImageBase(const int2& offset, const size2& size, float2 pixelSize)
    : offset_(offset), size_(size), pixelSize_(pixelSize) {
    if (!(pixelSize.x > 0.0f && pixelSize.y > 0.0f))
        throwAt<InternalException>(kSource, __LINE__, "pixelSize.x > 0.0f && pixelSize.y > 0.0f");
}

ImageBase::ImageBase(const IntegerRect& rect, float2 pixelSize)
    : offset_(rect.offset()), size_(rect.size()), pixelSize_(pixelSize) {
    if (!((pixelSize.x > 0.0f) && (pixelSize.y > 0.0f)))
        throwAt<InternalException>(kSource, __LINE__,
                                   "(pixelSize.x > 0.0f) && (pixelSize.y > 0.0f)");
}

ImageBase::~ImageBase() = default;

IntegerRect ImageBase::domainOfDefinition() const { return IntegerRect(offset_, size_); }

void ImageBase::doWrite(std::ostream& os) const {
    os << "Image size : " << width() << " x " << height() << "\n";
    os << "Image offset : " << offsetX() << " , " << offsetY() << "\n";
    os << "Image # pixels : " << numberOfPixels() << "\n";
    os << "Image physical size : " << physicalWidth() << " x " << physicalHeight() << "\n";
    os << "Image DOD : " << domainOfDefinition() << "\n";
    os << "Image pixelsize : " << pixelSize() << "\n";
}

std::ostream& operator<<(std::ostream& os, const ImageBase& image) {
    image.doWrite(os);
    return os;
}

}  // namespace ZEV
