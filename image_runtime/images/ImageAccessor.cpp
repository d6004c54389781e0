// The accessor classes: the CPU ones forward every query to their image and
// convert pixels with the functions of ImageCPUUtils.h.
#include "image_runtime/images/ImageAccessor.h"

#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageCPUUtils.h"

namespace ZEV {

ImageAccessorBase::~ImageAccessorBase() = default;
ImageReadAccessor::~ImageReadAccessor() = default;
ImageWriteAccessor::~ImageWriteAccessor() = default;

ImageCPUReadAccessor::ImageCPUReadAccessor(const ImageCPU& image) : image_(&image) {}
ImageCPUReadAccessor::~ImageCPUReadAccessor() = default;

size_t ImageCPUReadAccessor::height() { return image_->height(); }
size_t ImageCPUReadAccessor::width() { return image_->width(); }
int ImageCPUReadAccessor::offsetX() { return image_->offsetX(); }
int ImageCPUReadAccessor::offsetY() { return image_->offsetY(); }
size_t ImageCPUReadAccessor::physicalWidth() { return image_->physicalWidth(); }

ImageCPUWriteAccessor::ImageCPUWriteAccessor(ImageCPU& image) : image_(&image) {}
ImageCPUWriteAccessor::~ImageCPUWriteAccessor() = default;

size_t ImageCPUWriteAccessor::height() { return image_->height(); }
size_t ImageCPUWriteAccessor::width() { return image_->width(); }
int ImageCPUWriteAccessor::offsetX() { return image_->offsetX(); }
int ImageCPUWriteAccessor::offsetY() { return image_->offsetY(); }
size_t ImageCPUWriteAccessor::physicalWidth() { return image_->physicalWidth(); }

}  // namespace ZEV
