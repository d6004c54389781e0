// ImageGPU: format mapping, texture ownership, uploads and texture state.
#include "image_runtime/images/ImageGPU.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <ostream>
#include <sstream>

#include "image_runtime/TextureOrigins.h"
#include "image_runtime/TexturePool.h"
#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/Platform.h"

namespace ZEV {

namespace {

constexpr const char* kSource = "image_runtime/images/ImageGPU";

// The texture format of each ImageGPU::tePixelFormat; its GL internal format
// comes from the texture's own table.
constexpr OGL::Texture::InternalFormat kTextureFormats[] = {
    OGL::Texture::INTERNAL_FORMAT_RGBA8,
    OGL::Texture::INTERNAL_FORMAT_RGBA16F,
    OGL::Texture::INTERNAL_FORMAT_RGBA32F,
    OGL::Texture::INTERNAL_FORMAT_RGB8,
    OGL::Texture::INTERNAL_FORMAT_RGB16F,
    OGL::Texture::INTERNAL_FORMAT_RGB32F,
    OGL::Texture::INTERNAL_FORMAT_LUMINANCE8,
    OGL::Texture::INTERNAL_FORMAT_LUMINANCE16F,
    OGL::Texture::INTERNAL_FORMAT_LUMINANCE32F,
    OGL::Texture::INTERNAL_FORMAT_LUMINANCE_ALPHA8,
    OGL::Texture::INTERNAL_FORMAT_LUMINANCE_ALPHA16F,
    OGL::Texture::INTERNAL_FORMAT_LUMINANCE_ALPHA32F,
};
constexpr int kFormatCount = static_cast<int>(std::size(kTextureFormats));
static_assert(kFormatCount == ImageGPU::PIXEL_FORMAT_UNDEFINED, "one entry per format");

[[noreturn]] void invalidPixelFormat(int line) {
    std::ostringstream message;
    message << "invalid pixel format";
    throwAt<ParameterException>(kSource, line, message.str());
}

// A GL call with no context current makes libepoxy abort the process, so
// every member that reaches GL checks first.
void requireCurrentContext(int line) {
    if (Platform::currentGLContext() == nullptr)
        throwAt<InternalException>(kSource, line,
                                   "no OpenGL context is current: ImageGPU needs the context of "
                                   "its texture, or one sharing it, current on this thread");
}

// Binds a texture to the current unit for an upload and unbinds it again,
// also when the upload throws.
class CurrentUnitBinding {
public:
    explicit CurrentUnitBinding(const OGL::Texture2D& texture) : texture_(texture) {
        texture_.bind_DEPRECATED_1_0(OGL::Texture::CurrentUnit_DEPRECATED_1_0());
    }
    ~CurrentUnitBinding() {
        texture_.unbind_DEPRECATED_1_0(OGL::Texture::CurrentUnit_DEPRECATED_1_0());
    }
    CurrentUnitBinding(const CurrentUnitBinding&) = delete;
    CurrentUnitBinding& operator=(const CurrentUnitBinding&) = delete;

private:
    const OGL::Texture2D& texture_;
};

}  // namespace

ImageGPU::ImageGPU()
    : ImageBase(int2(0, 0), size2(0, 0), float2(1.0f, 1.0f)),
      ePixelFormat_(PIXEL_FORMAT_UNDEFINED),
      pTexture_(nullptr) {}

ImageGPU::ImageGPU(const int2& offset, const size2& size, tePixelFormat format, float2 pixelSize)
    : ImageBase(offset, size, pixelSize), ePixelFormat_(format), pTexture_(nullptr) {
    acquireTexture();
}

ImageGPU::ImageGPU(const IntegerRect& rect, tePixelFormat format, float2 pixelSize)
    : ImageBase(rect, pixelSize), ePixelFormat_(format), pTexture_(nullptr) {
    acquireTexture();
}

ImageGPU::ImageGPU(const int2& offset, const size2& size, OGL::Texture2D* pTexture,
                   float2 pixelSize)
    : ImageBase(offset, size, pixelSize),
      ePixelFormat_(PIXEL_FORMAT_UNDEFINED),
      pTexture_(nullptr) {
    if (pTexture == nullptr)
        throwAt<InternalException>(kSource, __LINE__, "Enforce pTexture != NULL");
    pTexture_ = pTexture;
}

// The base part is default-built, not copied: the copy is refused anyway.
ImageGPU::ImageGPU(const ImageGPU&)  // NOLINT(bugprone-copy-constructor-init)
    : ImageBase(), ePixelFormat_(PIXEL_FORMAT_UNDEFINED), pTexture_(nullptr) {
    std::ostringstream message;
    message << "Not implemented: "
            << "no copying of ImageGPU allowed";
    throwAt<InternalException>(kSource, __LINE__, message.str());
}

// Always throws, for self-assignment too.
ImageGPU& ImageGPU::operator=(const ImageGPU&) {  // NOLINT(bugprone-unhandled-self-assignment)
    std::ostringstream message;
    message << "Not implemented: "
            << "no copying of ImageGPU allowed";
    throwAt<InternalException>(kSource, __LINE__, message.str());
}

ImageGPU::~ImageGPU() {
    if (pTexture_ == nullptr) return;
    TexturePool* pool = nullptr;
    try {
        pool = TexturePool::Instance();
    } catch (const InternalException&) {
        // No pool to give it back to: deleted where its share group is current, else kept.
        try {
            detail::disposeOutsidePool(std::unique_ptr<OGL::Texture>(pTexture_));
        } catch (...) {
        }
        return;
    }
    try {
        pool->returnTexture2DToPool(pTexture_);
    } catch (...) {
    }
}

void ImageGPU::acquireTexture() {
    const OGL::Texture::InternalFormat internalFormat =
        OGL::Texture::GL2InternalFormat(PixelFormatZEV2GL(ePixelFormat_));
    constexpr size_t kMaximum = std::numeric_limits<unsigned int>::max();
    if (width() > kMaximum || height() > kMaximum)
        throwAt<ParameterException>(kSource, __LINE__,
                                    "width() <= UINT_MAX && height() <= UINT_MAX");
    pTexture_ = TexturePool::Instance()->getTexture2DFromPool(
        static_cast<unsigned int>(width()), static_cast<unsigned int>(height()), internalFormat);
}

unsigned int ImageGPU::PixelFormatZEV2GL(tePixelFormat format) {
    if (format < 0 || format >= kFormatCount) invalidPixelFormat(__LINE__);
    return OGL::Texture::InternalFormat2GL(kTextureFormats[format]);
}

ImageGPU::tePixelFormat ImageGPU::PixelFormatGL2ZEV(unsigned int glFormat) {
    for (int format = 0; format < kFormatCount; ++format)
        if (OGL::Texture::InternalFormat2GL(kTextureFormats[format]) == glFormat)
            return static_cast<tePixelFormat>(format);
    invalidPixelFormat(__LINE__);
}

OGL::Texture2D& ImageGPU::requireTexture() const {
    if (pTexture_ == nullptr)
        throwAt<InternalException>(kSource, __LINE__, "Enforce texture() != NULL");
    requireCurrentContext(__LINE__);
    return *pTexture_;
}

size_t ImageGPU::physicalWidth() const { return pTexture_ ? pTexture_->width(0) : 0; }
size_t ImageGPU::physicalHeight() const { return pTexture_ ? pTexture_->height(0) : 0; }
size2 ImageGPU::physicalSize() const { return size2(physicalWidth(), physicalHeight()); }

void ImageGPU::doWrite(std::ostream& os) const {
    ImageBase::doWrite(os);
    os << "Pixel format : " << static_cast<int>(ePixelFormat_) << "\n";
}

OGL::Texture2D* ImageGPU::release() {
    OGL::Texture2D* texture = pTexture_;
    pTexture_ = nullptr;
    return texture;
}

// The end of the block is compared in unsigned 64-bit arithmetic with the
// offsets widened with their sign, so negative offsets add up correctly.
void ImageGPU::checkBlock(const int2& rOffset, const size2& rSize) const {
    if (!(offsetX() <= rOffset.i && offsetY() <= rOffset.j))
        throwAt<ParameterException>(kSource, __LINE__,
                                    "offsetX() <= rOffset.i && offsetY() <= rOffset.j");
    const auto widen = [](int value) { return static_cast<uint64_t>(static_cast<int64_t>(value)); };
    if (!(widen(rOffset.i) + rSize.i <= widen(offsetX()) + width() &&
          widen(rOffset.j) + rSize.j <= widen(offsetY()) + height()))
        throwAt<ParameterException>(kSource, __LINE__,
                                    "rOffset.i + rSize.i <= offsetX() + width() && rOffset.j + "
                                    "rSize.j <= offsetY() + height()");
}

void ImageGPU::upload(const int2& rOffset, const size2& rSize, unsigned int format,
                      unsigned int type, const void* pData,
                      const OGL::PixelUnpackParameters& unpack) {
    OGL::Texture2D& texture = requireTexture();
    const CurrentUnitBinding binding(texture);
    texture.subImage(0, rOffset.i - offsetX(), rOffset.j - offsetY(), rSize.i, rSize.j,
                     OGL::Texture::GL2Format(format), OGL::Texture::GL2Type(type), pData, unpack);
}

void ImageGPU::copyImageData(const int2& rOffset, const size2& rSize, unsigned int format,
                             unsigned int type, const void* pData, float2 pixelSize) {
    checkBlock(rOffset, rSize);
    requireTexture();
    if (pData == nullptr) throwAt<ParameterException>(kSource, __LINE__, "pData != NULL");
    upload(rOffset, rSize, format, type, pData, OGL::PixelUnpackParameters());
    setPixelSize(pixelSize);
}

void ImageGPU::copyImageData(const unsigned char* pData, const int2& rOffset, const size2& rSize,
                             float2 pixelSize, unsigned int format, unsigned int type,
                             size_t rowLength) {
    checkBlock(rOffset, rSize);
    requireTexture();
    if (pData == nullptr) throwAt<ParameterException>(kSource, __LINE__, "pData != NULL");
    // GL takes the row length as a signed int; a larger one would be cut.
    if (rowLength > static_cast<size_t>(std::numeric_limits<int>::max()))
        throwAt<ParameterException>(kSource, __LINE__, "rowLength <= INT_MAX");
    setPixelSize(pixelSize);
    OGL::PixelUnpackParameters unpack;
    unpack.setRowLength(rowLength);
    upload(rOffset, rSize, format, type, pData, unpack);
}

// Unlike the uploads, a failed copy leaves the texture bound.
void ImageGPU::copyFrameBufferData(int xOffset, int yOffset, int x, int y, int width, int height) {
    OGL::Texture2D& texture = requireTexture();
    const int unit = OGL::Texture::CurrentUnit_DEPRECATED_1_0();
    texture.bind_DEPRECATED_1_0(unit);
    texture.copyTexSubImage(0, xOffset, yOffset, x, y,
                            static_cast<size_t>(static_cast<int64_t>(width)),
                            static_cast<size_t>(static_cast<int64_t>(height)));
    texture.unbind_DEPRECATED_1_0(OGL::Texture::CurrentUnit_DEPRECATED_1_0());
}

void ImageGPU::bind(unsigned int unit) const {
    requireTexture().bind_DEPRECATED_1_0(static_cast<int>(unit));
}

void ImageGPU::unbind() const {
    requireTexture().unbind_DEPRECATED_1_0(OGL::Texture::CurrentUnit_DEPRECATED_1_0());
}

void ImageGPU::enable(unsigned int unit) const {
    requireTexture().enable_DEPRECATED_1_0(static_cast<int>(unit));
}

void ImageGPU::disable(unsigned int unit) const {
    requireTexture().disable_DEPRECATED_1_0(static_cast<int>(unit));
}

void ImageGPU::setEnvironment(unsigned int mode) const {
    requireCurrentContext(__LINE__);
    OGL::Texture::setEnv_DEPRECATED_1_0(mode);
}

void ImageGPU::setFilter(unsigned int minification, unsigned int magnification) const {
    OGL::Texture2D& texture = requireTexture();
    texture.setFilter(OGL::Texture::GL2Filter(minification),
                      OGL::Texture::GL2Filter(magnification));
}

void ImageGPU::setWrap(unsigned int s, unsigned int t) const {
    OGL::Texture2D& texture = requireTexture();
    texture.setWrap(OGL::Texture::GL2WrapMode(s), OGL::Texture::GL2WrapMode(t));
}

void ImageGPU::setBorderColor(float* rgba) const { requireTexture().setBorderColor(rgba); }

}  // namespace ZEV
