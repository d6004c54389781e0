// The image whose pixels live in one OpenGL 2D texture: its own pixel
// formats with their GL internal formats, the texture taken from the texture
// pool (or adopted) and given back on destruction, uploads from memory and
// from the frame buffer, and fixed-function texture state.
#pragma once

#include <cstddef>
#include <iosfwd>

#include "image_runtime/images/ImageBase.h"
#include "zev_core/Export.h"
#include "zev_core/Rect.h"
#include "zev_core/Vectors.h"
#include "zev_ogl/Texture.h"

namespace ZEV {

/// The image owns its texture from construction to destruction or release().
class ZEV_API ImageGPU : public ImageBase {
public:
    /// Not the numbering of the CPU image's formats; never converted into them.
    /// A 32-bit enumeration: any int a host passes is a value of the type, and
    /// those outside 0 to 11 are refused rather than undefined.
    enum tePixelFormat : int {
        PIXEL_FORMAT_RGBA8 = 0,
        PIXEL_FORMAT_RGBA16F = 1,
        PIXEL_FORMAT_RGBA32F = 2,
        PIXEL_FORMAT_RGB8 = 3,
        PIXEL_FORMAT_RGB16F = 4,
        PIXEL_FORMAT_RGB32F = 5,
        PIXEL_FORMAT_LUMINANCE8 = 6,
        PIXEL_FORMAT_LUMINANCE16F = 7,
        PIXEL_FORMAT_LUMINANCE32F = 8,
        PIXEL_FORMAT_LUMINANCE_ALPHA8 = 9,
        PIXEL_FORMAT_LUMINANCE_ALPHA16F = 10,
        PIXEL_FORMAT_LUMINANCE_ALPHA32F = 11,
        PIXEL_FORMAT_UNDEFINED = 12
    };

    /// No texture, format undefined.
    ImageGPU();
    /// Take a texture of the image's size (or the next powers of two) from
    /// the pool, as TexturePool::getTexture2DFromPool does: the pool must
    /// exist and a context sharing its textures be current. Images wider or
    /// higher than an unsigned int can count are refused with
    /// ParameterException rather than given a smaller texture.
    ///@{
    ImageGPU(const int2& offset, const size2& size, tePixelFormat format, float2 pixelSize);
    ImageGPU(const IntegerRect& rect, tePixelFormat format, float2 pixelSize);
    ///@}
    /// Adopts pTexture (not null, else InternalException), which the image
    /// owns from then on; it goes to the pool when the image dies. The pixel
    /// format stays undefined.
    ImageGPU(const int2& offset, const size2& size, OGL::Texture2D* pTexture, float2 pixelSize);
    /// GPU images cannot be copied: both throw InternalException.
    ///@{
    ImageGPU(const ImageGPU& other);
    ImageGPU& operator=(const ImageGPU& other);
    ///@}
    /// Gives the texture back to the pool, so a context sharing the pool's
    /// textures should be current. When no pool exists any more, the texture
    /// is deleted in the current context if that shares it, and otherwise
    /// kept for the life of the process. Exceptions of the pool's limit check
    /// (a throwing listener) are swallowed: the texture is already the
    /// pool's by then, and a destructor must not throw.
    ~ImageGPU() override;

    /// The texture's level-0 size; 0 for an image without a texture, so that
    /// such an image can still be printed.
    ///@{
    size_t physicalWidth() const override;
    size_t physicalHeight() const override;
    size2 physicalSize() const override;
    ///@}
    void doWrite(std::ostream& os) const override;

    /// The texture, or null; still the image's, so do not delete or give it back.
    ///@{
    OGL::Texture2D* texture() { return pTexture_; }
    const OGL::Texture2D* texture() const { return pTexture_; }
    ///@}
    /// Hands the texture (or null) to the caller, who gives it back with
    /// TexturePool::returnTexture2DToPool or deletes it; the image has none
    /// afterwards.
    OGL::Texture2D* release();
    tePixelFormat pixelFormat() const { return ePixelFormat_; }

    // Every operation below except setEnvironment needs a texture; without
    // one it throws InternalException "Enforce texture() != NULL" before any
    // OpenGL call. Every one needs a context current that shares the
    // texture, and throws InternalException before any OpenGL call without one.

    /// Uploads a tightly packed block, read during the call only, whose first
    /// pixel lies at grid position rOffset; the image takes on pixelSize
    /// after a successful upload. The block must lie inside the image, else
    /// ParameterException.
    void copyImageData(const int2& rOffset, const size2& rSize, unsigned int format,
                       unsigned int type, const void* pData, float2 pixelSize);
    /// The same with source rows rowLength pixels apart; the pixel size is
    /// taken on before the upload.
    void copyImageData(const unsigned char* pData, const int2& rOffset, const size2& rSize,
                       float2 pixelSize, unsigned int format, unsigned int type, size_t rowLength);
    /// Copies the read frame buffer's rectangle at (x, y) to texel (xOffset,
    /// yOffset) of the texture (texels, not grid positions).
    void copyFrameBufferData(int xOffset, int yOffset, int x, int y, int width, int height);

    /// Makes unit the active texture unit and binds the texture there; both stay.
    void bind(unsigned int unit) const;
    /// Unbinds the 2D texture of the active unit.
    void unbind() const;
    /// Makes unit the active texture unit and enables or disables 2D texturing there.
    ///@{
    void enable(unsigned int unit) const;
    void disable(unsigned int unit) const;
    ///@}
    /// The environment mode of the current texture unit; needs no texture.
    void setEnvironment(unsigned int mode) const;
    void setFilter(unsigned int minification, unsigned int magnification) const;
    void setWrap(unsigned int s, unsigned int t) const;
    /// rgba: four floats, read during the call.
    void setBorderColor(float* rgba) const;

protected:
    static unsigned int PixelFormatZEV2GL(tePixelFormat format);
    static tePixelFormat PixelFormatGL2ZEV(unsigned int glFormat);

private:
    void acquireTexture();
    OGL::Texture2D& requireTexture() const;
    void checkBlock(const int2& rOffset, const size2& rSize) const;
    void upload(const int2& rOffset, const size2& rSize, unsigned int format, unsigned int type,
                const void* pData, const OGL::PixelUnpackParameters& unpack);

    tePixelFormat ePixelFormat_;
    OGL::Texture2D* pTexture_;
};

}  // namespace ZEV
