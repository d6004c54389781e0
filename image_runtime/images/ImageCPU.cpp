// ImageCPU: buffer ownership, physical extent, deep copies, the format
// queries (answered from PixelFormatTable.h) and the description.
#include "image_runtime/images/ImageCPU.h"

#include <boost/checked_delete.hpp>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <sstream>

#include "image_runtime/images/NullDeleter.h"
#include "image_runtime/images/PixelFormatTable.h"
#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"

namespace ZEV {

namespace {

constexpr const char* kSource = "image_runtime/images/ImageCPU";

// Buffer sizes are 32-bit quantities: a buffer must stay below this.
constexpr uint64_t kBufferLimit = uint64_t(1) << 32;

// Allocates an owned buffer and copies size bytes of source into it.
boost::shared_ptr<unsigned char> copyOfBuffer(const unsigned char* source, size_t size) {
    boost::shared_ptr<unsigned char> buffer(new unsigned char[size],
                                            boost::checked_array_deleter<unsigned char>());
    if (size != 0) std::memcpy(buffer.get(), source, size);
    return buffer;
}

}  // namespace

ImageCPU::ImageCPU()
    : physicalWidth_(0), physicalHeight_(0), bufferSize_(0), pixelFormat_(PIXEL_FORMAT_UNDEFINED) {}

ImageCPU::ImageCPU(tePixelFormat format, const unsigned char* pixels, size_t width, size_t height,
                   float2 pixelSize, int offsetX, int offsetY, size_t physicalWidth,
                   size_t physicalHeight)
    : ImageBase(int2(offsetX, offsetY), size2(width, height), pixelSize),
      pixels_(const_cast<unsigned char*>(pixels), NullDeleter()),
      physicalWidth_(0),
      physicalHeight_(0),
      bufferSize_(0),
      pixelFormat_(format) {
    // A null buffer would only fail at the first access, far from the mistake.
    if (pixels == nullptr) throwAt<ParameterException>(kSource, __LINE__, "pixels != NULL");
    init_stride(physicalWidth, physicalHeight);
}

ImageCPU::ImageCPU(tePixelFormat format, size_t width, size_t height, float2 pixelSize, int offsetX,
                   int offsetY, size_t physicalWidth, size_t physicalHeight)
    : ImageBase(int2(offsetX, offsetY), size2(width, height), pixelSize),
      physicalWidth_(0),
      physicalHeight_(0),
      bufferSize_(0),
      pixelFormat_(format) {
    init_stride(physicalWidth, physicalHeight);
    pixels_.reset(new unsigned char[bufferSize_], boost::checked_array_deleter<unsigned char>());
}

ImageCPU::ImageCPU(const ImageCPU& other)
    : ImageBase(int2(0), other.size(), other.pixelSize()),
      pixels_(copyOfBuffer(other.pixels_.get(), other.bufferSize_)),
      physicalWidth_(other.physicalWidth_),
      physicalHeight_(other.physicalHeight_),
      bufferSize_(other.bufferSize_),
      pixelFormat_(other.pixelFormat_) {}

ImageCPU& ImageCPU::operator=(const ImageCPU& other) {
    if (this == &other) return *this;
    // Copy first, so that a failed allocation leaves this image as it was.
    boost::shared_ptr<unsigned char> buffer = copyOfBuffer(other.pixels_.get(), other.bufferSize_);
    ImageBase::operator=(other);
    pixels_.swap(buffer);
    physicalWidth_ = other.physicalWidth_;
    physicalHeight_ = other.physicalHeight_;
    bufferSize_ = other.bufferSize_;
    pixelFormat_ = other.pixelFormat_;
    return *this;
}

ImageCPU::~ImageCPU() = default;

void ImageCPU::init_stride(size_t physicalWidth, size_t physicalHeight) {
    if (physicalWidth != 0) {
        physicalWidth_ = physicalWidth;
        physicalHeight_ = physicalHeight;
    } else {
        physicalWidth_ = width();
        physicalHeight_ = height();
    }
    const size_t pixelBytes = PixelSize(pixelFormat_);

    // A buffer that does not cover the image, or whose size does not fit
    // in 32 bits, would be read and written out of bounds later on.
    if (physicalWidth_ < width() || physicalHeight_ < height()) {
        std::ostringstream message;
        message << "Physical size " << physicalWidth_ << " x " << physicalHeight_
                << " is smaller than the image size " << width() << " x " << height();
        throwAt<ParameterException>(kSource, __LINE__, message.str());
    }
    size_t rowBytes = 0;
    size_t bufferBytes = 0;
    if (__builtin_mul_overflow(pixelBytes, physicalWidth_, &rowBytes) ||
        __builtin_mul_overflow(rowBytes, physicalHeight_, &bufferBytes) ||
        bufferBytes >= kBufferLimit) {
        std::ostringstream message;
        message << "Pixel buffer of " << physicalWidth_ << " x " << physicalHeight_ << " pixels of "
                << pixelBytes << " bytes reaches 4 GiB; buffers must stay below 4294967296 bytes";
        throwAt<ParameterException>(kSource, __LINE__, message.str());
    }
    bufferSize_ = bufferBytes;
}

void ImageCPU::doWrite(std::ostream& os) const {
    ImageBase::doWrite(os);
    os << "Pixel format : " << pixelFormat_ << "\n";
}

size_t ImageCPU::channelCount(tePixelFormat format) {
    const size_t channels = PixelFormatTable::entry(format).channelCount;
    if (channels == 0) {
        std::ostringstream message;
        message << "Pixel format not supported by ZEV in CPU mode";
        throwAt<InternalException>(kSource, __LINE__, message.str());
    }
    return channels;
}

size_t ImageCPU::PixelSize(tePixelFormat format) {
    if (format == PIXEL_FORMAT_UNDEFINED)
        throwAt<InternalException>(kSource, __LINE__, "!\"PIXEL_FORMAT_UNDEFINED\"");
    const size_t bytes = PixelFormatTable::entry(format).pixelSize;
    if (bytes == 0) {
        std::ostringstream message;
        message << "Not implemented: "
                << "ePixelFormat in pixelSize().";
        throwAt<InternalException>(kSource, __LINE__, message.str());
    }
    return bytes;
}

std::ostream& operator<<(std::ostream& os, ImageCPU::tePixelFormat format) {
    return os << PixelFormatTable::entry(format).name;
}

}  // namespace ZEV
