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

class ZEV_API ImageCPU : public ImageBase {
public:
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

    // No buffer, format PIXEL_FORMAT_UNDEFINED, physical extent 0 x 0.
    ImageCPU();
    // Borrows pixels: the caller keeps ownership and keeps the buffer alive
    // for the image's lifetime. A physical width of 0 means the image's own
    // width and height. The buffer must be aligned for the format's
    // component type.
    ImageCPU(tePixelFormat format, const unsigned char* pixels, size_t width, size_t height,
             float2 pixelSize, int offsetX, int offsetY, size_t physicalWidth,
             size_t physicalHeight);
    // Allocates an uninitialised buffer that the image owns.
    ImageCPU(tePixelFormat format, size_t width, size_t height, float2 pixelSize, int offsetX,
             int offsetY, size_t physicalWidth, size_t physicalHeight);
    // A deep copy at offset (0, 0) that owns its buffer.
    ImageCPU(const ImageCPU& other);
    // A deep copy into a fresh owned buffer; keeps other's offset.
    ImageCPU& operator=(const ImageCPU& other);
    ~ImageCPU() override;

    // The queries that pixel access makes for every pixel are final: they
    // keep their virtual slots, and calls on an ImageCPU inline to loads.
    size_t physicalWidth() const final { return physicalWidth_; }
    size_t physicalHeight() const override { return physicalHeight_; }
    size2 physicalSize() const override { return size2(physicalWidth_, physicalHeight_); }
    void doWrite(std::ostream& os) const override;

    // The buffer's first byte, typed; none of these checks the format.
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

    tePixelFormat pixelFormat() const { return pixelFormat_; }

    static size_t channelCount(tePixelFormat format);
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

ZEV_API std::ostream& operator<<(std::ostream& os, ImageCPU::tePixelFormat format);

}  // namespace ZEV
