// Texture wrappers over GL: creation, converters, state and uploads.
#include "zev_ogl/Texture.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/GLError.h"
#include "zev_ogl/LiveObjects.h"
#include "zev_ogl/ScopedBinding.h"
#include "zev_ogl/ScopedState.h"

namespace ZEV::OGL {

namespace {

constexpr const char* kSource = "zev_ogl/Texture";

struct FormatInfo {
    GLenum internalFormat;
    GLenum allocFormat;  // a client format that GL accepts for allocation
    GLenum allocType;
    size_t bytesPerTexel;
};

// Indexed by Texture::InternalFormat.
constexpr FormatInfo kFormats[] = {
    {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4},
    {GL_RGBA16F, GL_RGBA, GL_FLOAT, 8},
    {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16},
    {GL_RGB8, GL_RGB, GL_UNSIGNED_BYTE, 3},
    {GL_RGB16F, GL_RGB, GL_FLOAT, 6},
    {GL_RGB32F, GL_RGB, GL_FLOAT, 12},
    {GL_LUMINANCE, GL_LUMINANCE, GL_UNSIGNED_BYTE, 1},
    {GL_LUMINANCE16F_ARB, GL_LUMINANCE, GL_FLOAT, 2},
    {GL_LUMINANCE32F_ARB, GL_LUMINANCE, GL_FLOAT, 4},
    {GL_LUMINANCE_ALPHA, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, 2},
    {GL_LUMINANCE_ALPHA16F_ARB, GL_LUMINANCE_ALPHA, GL_FLOAT, 4},
    {GL_LUMINANCE_ALPHA32F_ARB, GL_LUMINANCE_ALPHA, GL_FLOAT, 8},
};
static_assert(std::size(kFormats) == Texture::INTERNAL_FORMAT_COUNT, "one entry per format");

constexpr GLenum kFormatsGL[] = {
    GL_RED, GL_RG, GL_RGB, GL_BGR, GL_RGBA, GL_BGRA, GL_ALPHA, GL_LUMINANCE, GL_LUMINANCE_ALPHA};
static_assert(std::size(kFormatsGL) == Texture::FORMAT_LUMINANCE_ALPHA + 1, "one entry per format");
constexpr GLenum kTypesGL[] = {GL_UNSIGNED_BYTE, GL_BYTE, GL_UNSIGNED_SHORT, GL_SHORT,
                               GL_UNSIGNED_INT,  GL_INT,  GL_HALF_FLOAT,     GL_FLOAT};
static_assert(std::size(kTypesGL) == Texture::TYPE_FLOAT + 1, "one entry per type");
constexpr GLenum kFiltersGL[] = {GL_NEAREST,
                                 GL_LINEAR,
                                 GL_NEAREST_MIPMAP_NEAREST,
                                 GL_LINEAR_MIPMAP_NEAREST,
                                 GL_NEAREST_MIPMAP_LINEAR,
                                 GL_LINEAR_MIPMAP_LINEAR};
constexpr GLenum kWrapModesGL[] = {GL_CLAMP, GL_REPEAT, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_BORDER,
                                   GL_MIRRORED_REPEAT};

template <class Enum, size_t N>
Enum fromGL(const GLenum (&table)[N], unsigned int value, const char* what) {
    const auto* found = std::find(std::begin(table), std::end(table), value);
    if (found == std::end(table))
        throwAt<ParameterException>(kSource, __LINE__,
                                    std::string("unknown GL ") + what + " " + detail::hex(value));
    return static_cast<Enum>(found - std::begin(table));
}

// The GL enumerant of one of our enumeration values; a value outside the
// enumeration (a host's cast) is refused instead of read past the table.
template <size_t N>
GLenum toGL(const GLenum (&table)[N], int value, const char* what) {
    if (value < 0 || static_cast<size_t>(value) >= N)
        throwAt<ParameterException>(kSource, __LINE__,
                                    std::string("invalid ") + what + " " + std::to_string(value));
    return table[value];
}

ObjectKind kindOf(GLenum target) {
    switch (target) {
        case GL_TEXTURE_1D: return ObjectKind::Texture1D;
        case GL_TEXTURE_3D: return ObjectKind::Texture3D;
        case GL_TEXTURE_RECTANGLE: return ObjectKind::TextureRECT;
        default: return ObjectKind::Texture2D;
    }
}

void selectUnit(int unit) {
    if (unit != Texture::CURRENT_UNIT) glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
}

size_t levels(size_t extent) {
    size_t n = 1;
    while (extent > 1) {
        extent >>= 1;
        ++n;
    }
    return n;
}

}  // namespace

Texture::InternalFormat Texture::GL2InternalFormat(unsigned int glInternalFormat) {
    for (int f = 0; f < INTERNAL_FORMAT_COUNT; ++f)
        if (kFormats[f].internalFormat == glInternalFormat) return static_cast<InternalFormat>(f);
    throwAt<ParameterException>(kSource, __LINE__,
                                "unknown GL internal format " + detail::hex(glInternalFormat));
}

Texture::Format Texture::GL2Format(unsigned int glFormat) {
    return fromGL<Format>(kFormatsGL, glFormat, "pixel format");
}
Texture::Type Texture::GL2Type(unsigned int glType) {
    return fromGL<Type>(kTypesGL, glType, "pixel type");
}
Texture::Filter Texture::GL2Filter(unsigned int glFilter) {
    return fromGL<Filter>(kFiltersGL, glFilter, "filter");
}
Texture::WrapMode Texture::GL2WrapMode(unsigned int glWrapMode) {
    return fromGL<WrapMode>(kWrapModesGL, glWrapMode, "wrap mode");
}

unsigned int Texture::InternalFormat2GL(InternalFormat format) {
    BytesPerTexel(format);  // refuses a value outside the enumeration
    return kFormats[format].internalFormat;
}
unsigned int Texture::Format2GL(Format format) { return toGL(kFormatsGL, format, "pixel format"); }
unsigned int Texture::Type2GL(Type type) { return toGL(kTypesGL, type, "pixel type"); }

size_t Texture::BytesPerTexel(InternalFormat format) {
    if (format < 0 || format >= INTERNAL_FORMAT_COUNT)
        throwAt<ParameterException>(kSource, __LINE__, "invalid internal format");
    return kFormats[format].bytesPerTexel;
}

size_t Texture::SizeInBytes(InternalFormat format, size_t width, size_t height, size_t depth) {
    return BytesPerTexel(format) * width * height * depth;
}

Texture::Texture(unsigned int target, InternalFormat format, size_t width, size_t height,
                 size_t depth, bool mipmapped)
    : target_(target), format_(format), width_(width), height_(height), depth_(depth) {
    BytesPerTexel(format);  // refuses an invalid format before any GL call
    const FormatInfo& info = kFormats[format];
    detail::drainErrors();
    glGenTextures(1, &id_);
    {
        ScopedTextureBinding binding(target, id_);
        const size_t count = mipmapped ? levels(std::max({width, height, depth})) : 1;
        for (size_t level = 0; level < count; ++level) {
            const auto w = static_cast<GLsizei>(std::max<size_t>(1, width >> level));
            const auto h = static_cast<GLsizei>(std::max<size_t>(1, height >> level));
            const auto d = static_cast<GLsizei>(std::max<size_t>(1, depth >> level));
            const auto internal = static_cast<GLint>(info.internalFormat);
            switch (target) {
                case GL_TEXTURE_1D:
                    glTexImage1D(target, static_cast<GLint>(level), internal, w, 0,
                                 info.allocFormat, info.allocType, nullptr);
                    break;
                case GL_TEXTURE_3D:
                    glTexImage3D(target, static_cast<GLint>(level), internal, w, h, d, 0,
                                 info.allocFormat, info.allocType, nullptr);
                    break;
                default:
                    glTexImage2D(target, static_cast<GLint>(level), internal, w, h, 0,
                                 info.allocFormat, info.allocType, nullptr);
                    break;
            }
        }
        const GLint minFilter = mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
        glTexParameteri(target, GL_TEXTURE_MIN_FILTER, minFilter);
        glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        if (target == GL_TEXTURE_3D) glTexParameteri(target, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    }
    const GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        glDeleteTextures(1, &id_);
        throwAt<InternalException>(
            kSource, __LINE__,
            "texture storage could not be created: GL error " + detail::hex(error));
    }
    LiveObjects::created(kindOf(target));
}

Texture::Texture(AdoptName, unsigned int target, unsigned int name, InternalFormat format,
                 size_t width, size_t height, size_t depth)
    : target_(target), format_(format), width_(width), height_(height), depth_(depth) {
    BytesPerTexel(format);
    id_ = name;
    if (id_ != 0) LiveObjects::created(kindOf(target));
}

Texture::Texture(Texture&& other) noexcept
    : Object(std::move(other)),
      target_(other.target_),
      format_(other.format_),
      width_(other.width_),
      height_(other.height_),
      depth_(other.depth_) {}

Texture& Texture::operator=(Texture&& other) noexcept {
    if (this != &other) {
        destroy();
        target_ = other.target_;
        format_ = other.format_;
        width_ = other.width_;
        height_ = other.height_;
        depth_ = other.depth_;
        Object::operator=(std::move(other));
    }
    return *this;
}

Texture::~Texture() { destroy(); }

void Texture::destroy() noexcept {
    if (id_ == 0) return;
    glDeleteTextures(1, &id_);
    LiveObjects::deleted(kindOf(target_));
    id_ = 0;
}

unsigned int Texture::release() noexcept {
    if (id_ != 0) LiveObjects::deleted(kindOf(target_));
    return std::exchange(id_, 0);
}

unsigned int Texture::getBoundID() const {
    GLint bound = 0;
    glGetIntegerv(detail::bindingQuery(target_), &bound);
    return static_cast<unsigned int>(bound);
}

int Texture::sizeInBytes() const {
    return static_cast<int>(SizeInBytes(format_, width_, height_, depth_));
}

size_t Texture::width(int level) const { return std::max<size_t>(1, width_ >> level); }
size_t Texture::height(int level) const { return std::max<size_t>(1, height_ >> level); }
size_t Texture::depth(int level) const { return std::max<size_t>(1, depth_ >> level); }

void Texture::setFilter(Filter minification, Filter magnification) {
    const GLenum min = toGL(kFiltersGL, minification, "filter");
    const GLenum mag = toGL(kFiltersGL, magnification, "filter");
    ScopedTextureBinding binding(target_, id_);
    glTexParameteri(target_, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(min));
    glTexParameteri(target_, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(mag));
}

void Texture::setBorderColor(const float* rgba) {
    ScopedTextureBinding binding(target_, id_);
    glTexParameterfv(target_, GL_TEXTURE_BORDER_COLOR, rgba);
}

void Texture::bind_DEPRECATED_1_0(int unit) const {
    selectUnit(unit);
    glBindTexture(target_, id_);
}

void Texture::unbind_DEPRECATED_1_0(int unit) const {
    selectUnit(unit);
    glBindTexture(target_, 0);
}

void Texture::enable_DEPRECATED_1_0(int unit) const {
    selectUnit(unit);
    glEnable(target_);
}

void Texture::disable_DEPRECATED_1_0(int unit) const {
    selectUnit(unit);
    glDisable(target_);
}

int Texture::CurrentUnit_DEPRECATED_1_0() {
    GLint active = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    return active - GL_TEXTURE0;
}

void Texture::setEnv_DEPRECATED_1_0(unsigned int mode) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(mode));
}

void Texture2::subImage(int level, int x, int y, size_t width, size_t height, Format format,
                        Type type, const void* pixels, const PixelUnpackParameters& unpack) {
    const GLenum glFormat = toGL(kFormatsGL, format, "pixel format");
    const GLenum glType = toGL(kTypesGL, type, "pixel type");
    GLenum error;
    {
        const ScopedPixelUnpack unpacking(unpack);
        detail::drainErrors();
        const ScopedTextureBinding binding(target(), objectID());
        glTexSubImage2D(target(), level, x, y, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height), glFormat, glType, pixels);
        error = glGetError();
    }
    if (error != GL_NO_ERROR)
        throwAt<InternalException>(kSource, __LINE__,
                                   "glTexSubImage2D failed: GL error " + detail::hex(error));
}

void Texture2::copyTexSubImage(int level, int x, int y, int sourceX, int sourceY, size_t width,
                               size_t height) {
    detail::drainErrors();
    ScopedTextureBinding binding(target(), objectID());
    glCopyTexSubImage2D(target(), level, x, y, sourceX, sourceY, static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height));
    detail::checkError(kSource, __LINE__, "glCopyTexSubImage2D failed");
}

void Texture2::setWrap(WrapMode s, WrapMode t) {
    const GLenum wrapS = toGL(kWrapModesGL, s, "wrap mode");
    const GLenum wrapT = toGL(kWrapModesGL, t, "wrap mode");
    ScopedTextureBinding binding(target(), objectID());
    glTexParameteri(target(), GL_TEXTURE_WRAP_S, static_cast<GLint>(wrapS));
    glTexParameteri(target(), GL_TEXTURE_WRAP_T, static_cast<GLint>(wrapT));
}

Texture1D::Texture1D(InternalFormat format, size_t width, bool mipmapped)
    : Texture1(GL_TEXTURE_1D, format, width, 1, 1, mipmapped) {}
Texture1D::~Texture1D() = default;
Texture1D::Texture1D(AdoptName, unsigned int name, InternalFormat format, size_t width)
    : Texture1(AdoptName{}, GL_TEXTURE_1D, name, format, width, 1, 1) {}
Texture1D Texture1D::wrap(unsigned int name, InternalFormat format, size_t width) {
    return Texture1D(AdoptName{}, name, format, width);
}
Texture1D::Texture1D(Texture1D&& other) noexcept = default;
Texture1D& Texture1D::operator=(Texture1D&& other) noexcept = default;

Texture2D::Texture2D(InternalFormat format, size_t width, size_t height, bool mipmapped)
    : Texture2(GL_TEXTURE_2D, format, width, height, 1, mipmapped) {}
Texture2D::~Texture2D() = default;
Texture2D::Texture2D(AdoptName, unsigned int name, InternalFormat format, size_t width,
                     size_t height)
    : Texture2(AdoptName{}, GL_TEXTURE_2D, name, format, width, height, 1) {}
Texture2D Texture2D::wrap(unsigned int name, InternalFormat format, size_t width, size_t height) {
    return Texture2D(AdoptName{}, name, format, width, height);
}
Texture2D::Texture2D(Texture2D&& other) noexcept = default;
Texture2D& Texture2D::operator=(Texture2D&& other) noexcept = default;

Texture3D::Texture3D(InternalFormat format, size_t width, size_t height, size_t depth,
                     bool mipmapped)
    : Texture3(GL_TEXTURE_3D, format, width, height, depth, mipmapped) {}
Texture3D::~Texture3D() = default;
Texture3D::Texture3D(AdoptName, unsigned int name, InternalFormat format, size_t width,
                     size_t height, size_t depth)
    : Texture3(AdoptName{}, GL_TEXTURE_3D, name, format, width, height, depth) {}
Texture3D Texture3D::wrap(unsigned int name, InternalFormat format, size_t width, size_t height,
                          size_t depth) {
    return Texture3D(AdoptName{}, name, format, width, height, depth);
}
Texture3D::Texture3D(Texture3D&& other) noexcept = default;
Texture3D& Texture3D::operator=(Texture3D&& other) noexcept = default;

TextureRECT::TextureRECT(InternalFormat format, size_t width, size_t height)
    : Texture2(GL_TEXTURE_RECTANGLE, format, width, height, 1, false) {}
TextureRECT::~TextureRECT() = default;
TextureRECT::TextureRECT(AdoptName, unsigned int name, InternalFormat format, size_t width,
                         size_t height)
    : Texture2(AdoptName{}, GL_TEXTURE_RECTANGLE, name, format, width, height, 1) {}
TextureRECT TextureRECT::wrap(unsigned int name, InternalFormat format, size_t width,
                              size_t height) {
    return TextureRECT(AdoptName{}, name, format, width, height);
}
TextureRECT::TextureRECT(TextureRECT&& other) noexcept = default;
TextureRECT& TextureRECT::operator=(TextureRECT&& other) noexcept = default;

}  // namespace ZEV::OGL
