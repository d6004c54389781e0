// Accessors: format-independent reading and writing of single pixels as
// float4 colours. The abstract classes define the interface; the CPU ones
// work on an ImageCPU that they neither own nor cache anything of, so every
// call sees the image's current geometry and buffer.
#pragma once

#include <cstddef>

#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageCPUUtils.h"
#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// The geometry of the accessed image, read at each call.
class ZEV_API ImageAccessorBase {
public:
    ImageAccessorBase() = default;
    ImageAccessorBase(const ImageAccessorBase&) = default;
    ImageAccessorBase& operator=(const ImageAccessorBase&) = default;

    virtual size_t height() = 0;
    virtual size_t width() = 0;
    virtual int offsetX() = 0;
    virtual int offsetY() = 0;
    virtual size_t physicalWidth() = 0;
    virtual ~ImageAccessorBase();
};

class ZEV_API ImageReadAccessor : public virtual ImageAccessorBase {
public:
    ImageReadAccessor() = default;
    ImageReadAccessor(const ImageReadAccessor&) = default;
    ImageReadAccessor& operator=(const ImageReadAccessor&) = default;
    ~ImageReadAccessor() override;

    /// The pixel at grid position (x, y) as red, green, blue, alpha.
    virtual float4 getRGBAFloat4PixelAt(int x, int y) = 0;
};

class ZEV_API ImageWriteAccessor : public virtual ImageAccessorBase {
public:
    ImageWriteAccessor() = default;
    ImageWriteAccessor(const ImageWriteAccessor&) = default;
    ImageWriteAccessor& operator=(const ImageWriteAccessor&) = default;
    ~ImageWriteAccessor() override;

    /// Stores color at grid position (x, y) in the image's own format.
    virtual void writeRGBAFloatPixel4At(float4 color, int x, int y) = 0;
};

/// Borrows the image, which must outlive the accessor; a copy of the
/// accessor borrows the same image.
class ZEV_API ImageCPUReadAccessor : public ImageReadAccessor {
public:
    explicit ImageCPUReadAccessor(const ImageCPU& image);
    ~ImageCPUReadAccessor() override;

    size_t height() override;
    size_t width() override;
    int offsetX() override;
    int offsetY() override;
    size_t physicalWidth() override;
    // Inline and final, like the image queries it uses, so that code holding
    // a CPU accessor gets the whole access inlined.

    /// As readRGBAFloat4Pixel: the position is not checked, and a format
    /// without a conversion rule throws InternalException.
    float4 getRGBAFloat4PixelAt(int x, int y) final { return readRGBAFloat4Pixel(*image_, x, y); }

private:
    const ImageCPU* image_;
};

/// Borrows the image, which must outlive the accessor; a copy of the
/// accessor borrows the same image.
class ZEV_API ImageCPUWriteAccessor : public ImageWriteAccessor {
public:
    explicit ImageCPUWriteAccessor(ImageCPU& image);
    ~ImageCPUWriteAccessor() override;

    size_t height() override;
    size_t width() override;
    int offsetX() override;
    int offsetY() override;
    size_t physicalWidth() override;
    // Inline and final for the same reason as the read.

    /// As writeRGBAFloat4Pixel: clamped to [0, 1], the position is not
    /// checked, and a format without a conversion rule throws InternalException.
    void writeRGBAFloatPixel4At(float4 color, int x, int y) final {
        writeRGBAFloat4Pixel(*image_, color, x, y);
    }

private:
    ImageCPU* image_;
};

}  // namespace ZEV
