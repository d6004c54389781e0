// An image whose pixels lie in main memory: one buffer of rows, owned by the
// image or borrowed from its creator, possibly wider and taller than the
// image (row stride and spare rows). Also the CPU pixel formats and their
// sizes; the pixel structures are in PixelTypes.h.
#pragma once

#include <boost/shared_ptr.hpp>

#include <cstddef>
#include <iosfwd>

#include "image_runtime/images/ImageBase.h"
#include "image_runtime/images/PixelTypes.h"
#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

/// The image owns its buffer or borrows it from its creator; a copy never
/// shares either, it owns a deep copy of its own.
class ZEV_API ImageCPU : public ImageBase {
public:
    /// Not the numbering of the GPU image's formats. Images are built only in
    /// the formats PixelSize accepts: not in the 16F ones, LUMINANCE16,
    /// LUMINANCE_ALPHA16 or UNDEFINED.
    enum tePixelFormat : int {
        PIXEL_FORMAT_BGR8 = 1,
        PIXEL_FORMAT_BGRA8 = 2,
        PIXEL_FORMAT_RGB8 = 3,
        PIXEL_FORMAT_RGBA8 = 4,
        PIXEL_FORMAT_RGB16 = 5,
        PIXEL_FORMAT_RGBA16 = 6,
        PIXEL_FORMAT_RGB32F = 7,
        PIXEL_FORMAT_RGBA32F = 8,
        PIXEL_FORMAT_LUMINANCE8 = 9,
        PIXEL_FORMAT_LUMINANCE16 = 10,
        PIXEL_FORMAT_LUMINANCE32F = 11,
        PIXEL_FORMAT_LUMINANCE_ALPHA8 = 12,
        PIXEL_FORMAT_LUMINANCE_ALPHA16 = 13,
        PIXEL_FORMAT_LUMINANCE_ALPHA32F = 14,
        PIXEL_FORMAT_RGB16F = 15,
        PIXEL_FORMAT_RGBA16F = 16,
        PIXEL_FORMAT_LUMINANCE16F = 17,
        PIXEL_FORMAT_LUMINANCE_ALPHA16F = 18,
        PIXEL_FORMAT_UNDEFINED = 19
    };

    /// No buffer (pixels() is null), format PIXEL_FORMAT_UNDEFINED, size and
    /// physical extent 0 x 0.
    ImageCPU();
    /// Borrows pixels: the caller keeps owning the buffer and keeps it alive
    /// for the image's lifetime; the image writes through it although it is
    /// passed as const. A physical width of 0 means the image's own width and
    /// height (physicalHeight is then ignored). The buffer must be aligned
    /// for the format's component type. Throws ParameterException for null
    /// pixels, a physical extent smaller than the image or a buffer of 4 GiB
    /// or more; InternalException for a pixel size not above 0 or a format
    /// PixelSize refuses.
    ImageCPU(tePixelFormat format, const unsigned char* pixels, size_t width, size_t height,
             float2 pixelSize, int offsetX, int offsetY, size_t physicalWidth,
             size_t physicalHeight);
    /// Allocates an uninitialised buffer of the physical extent that the image
    /// owns and frees; the extent rules and failures of the borrowing form.
    ImageCPU(tePixelFormat format, size_t width, size_t height, float2 pixelSize, int offsetX,
             int offsetY, size_t physicalWidth, size_t physicalHeight);
    /// A deep copy of the whole buffer (row stride and spare rows included)
    /// that owns its buffer, also when other borrows; at offset (0, 0), with
    /// other's size, pixel size, extent and format.
    ImageCPU(const ImageCPU& other);
    /// A deep copy into a fresh owned buffer that keeps other's offset; the
    /// old buffer is freed, or left to its lender. Pointers into the old
    /// buffer are invalid afterwards. A failed allocation (std::bad_alloc)
    /// leaves this image as it was.
    ImageCPU& operator=(const ImageCPU& other);
    ~ImageCPU() override;

    // The queries that pixel access makes for every pixel are final: they
    // keep their virtual slots, and calls on an ImageCPU inline to loads.

    /// The buffer's extent in pixels: rows lie physicalWidth pixels apart,
    /// and there are physicalHeight of them.
    ///@{
    size_t physicalWidth() const final { return physicalWidth_; }
    size_t physicalHeight() const override { return physicalHeight_; }
    size2 physicalSize() const override { return size2(physicalWidth_, physicalHeight_); }
    ///@}
    /// The base description plus a "Pixel format : " line.
    void doWrite(std::ostream& os) const override;

    /// The buffer's first byte, typed (pixels(): as bytes); none of these
    /// checks the format. Null without a
    /// buffer. The buffer stays the image's (or its lender's): do not free it.
    /// A pointer is valid until the image is assigned to or destroyed.
    ///@{
    virtual PixelBGRA8* pixels_BGRA8() final { return typed<PixelBGRA8>(); }
    virtual const PixelBGRA8* pixels_BGRA8() const final { return typed<PixelBGRA8>(); }
    virtual PixelBGR8* pixels_BGR8() final { return typed<PixelBGR8>(); }
    virtual const PixelBGR8* pixels_BGR8() const final { return typed<PixelBGR8>(); }
    virtual PixelRGB16F* pixels_RGB16F() final { return typed<PixelRGB16F>(); }
    virtual const PixelRGB16F* pixels_RGB16F() const final { return typed<PixelRGB16F>(); }
    virtual PixelRGBA16F* pixels_RGBA16F() final { return typed<PixelRGBA16F>(); }
    virtual const PixelRGBA16F* pixels_RGBA16F() const final { return typed<PixelRGBA16F>(); }
    virtual PixelRGB32F* pixels_RGB32F() final { return typed<PixelRGB32F>(); }
    virtual const PixelRGB32F* pixels_RGB32F() const final { return typed<PixelRGB32F>(); }
    virtual PixelRGBA32F* pixels_RGBA32F() final { return typed<PixelRGBA32F>(); }
    virtual const PixelRGBA32F* pixels_RGBA32F() const final { return typed<PixelRGBA32F>(); }
    virtual PixelRGB8* pixels_RGB8() final { return typed<PixelRGB8>(); }
    virtual const PixelRGB8* pixels_RGB8() const final { return typed<PixelRGB8>(); }
    virtual PixelRGBA8* pixels_RGBA8() final { return typed<PixelRGBA8>(); }
    virtual const PixelRGBA8* pixels_RGBA8() const final { return typed<PixelRGBA8>(); }
    virtual unsigned char* pixels() { return pixels_.get(); }
    virtual const unsigned char* pixels() const { return pixels_.get(); }
    virtual PixelLuminance8* pixels_Luminance8() final { return typed<PixelLuminance8>(); }
    virtual const PixelLuminance8* pixels_Luminance8() const final {
        return typed<PixelLuminance8>();
    }
    virtual PixelLuminance16F* pixels_Luminance16F() final { return typed<PixelLuminance16F>(); }
    virtual const PixelLuminance16F* pixels_Luminance16F() const final {
        return typed<PixelLuminance16F>();
    }
    virtual PixelLuminance32F* pixels_Luminance32F() final { return typed<PixelLuminance32F>(); }
    virtual const PixelLuminance32F* pixels_Luminance32F() const final {
        return typed<PixelLuminance32F>();
    }
    virtual PixelLuminanceAlpha8* pixels_LuminanceAlpha8() final {
        return typed<PixelLuminanceAlpha8>();
    }
    virtual const PixelLuminanceAlpha8* pixels_LuminanceAlpha8() const final {
        return typed<PixelLuminanceAlpha8>();
    }
    virtual PixelLuminanceAlpha16F* pixels_LuminanceAlpha16F() final {
        return typed<PixelLuminanceAlpha16F>();
    }
    virtual const PixelLuminanceAlpha16F* pixels_LuminanceAlpha16F() const final {
        return typed<PixelLuminanceAlpha16F>();
    }
    virtual PixelLuminanceAlpha32F* pixels_LuminanceAlpha32F() final {
        return typed<PixelLuminanceAlpha32F>();
    }
    virtual const PixelLuminanceAlpha32F* pixels_LuminanceAlpha32F() const final {
        return typed<PixelLuminanceAlpha32F>();
    }
    ///@}

    tePixelFormat pixelFormat() const { return pixelFormat_; }

    /// Channels of a pixel. The 16F formats, UNDEFINED and values outside the
    /// enumeration throw InternalException "Pixel format not supported by ZEV
    /// in CPU mode".
    static size_t channelCount(tePixelFormat format);
    /// Bytes of a pixel. UNDEFINED throws InternalException; so do the 16F
    /// formats, LUMINANCE16, LUMINANCE_ALPHA16 and values outside the
    /// enumeration, as "Not implemented".
    static size_t PixelSize(tePixelFormat format);

private:
    template <class Pixel>
    Pixel* typed() const {
        return reinterpret_cast<Pixel*>(pixels_.get());
    }

    void init_stride(size_t physicalWidth, size_t physicalHeight);

    boost::shared_ptr<unsigned char> pixels_;
    size_t physicalWidth_;
    size_t physicalHeight_;
    size_t bufferSize_;
    tePixelFormat pixelFormat_;
};

/// Writes the enumerator's name; "UNKNOWN" for values outside the enumeration.
ZEV_API std::ostream& operator<<(std::ostream& os, ImageCPU::tePixelFormat format);

}  // namespace ZEV
