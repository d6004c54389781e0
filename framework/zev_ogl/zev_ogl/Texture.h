// Texture wrappers: the Texture base with its enumerations and converters,
// the 1D/2D/3D/rectangle kinds, and the pixel-unpack parameters of uploads.
// Each kind owns its GL name: movable, with wrap() to adopt a name made
// elsewhere and release() to give it up.
#pragma once

#include <cstddef>

#include "zev_core/Export.h"
#include "zev_ogl/Object.h"

namespace ZEV::OGL {

/// How rows of client memory are laid out for an upload: tightly packed
/// (alignment 1) unless a row length in pixels is given.
class ZEV_API PixelUnpackParameters {
public:
    PixelUnpackParameters() = default;
    void setRowLength(size_t rowLength) { rowLength_ = rowLength; }
    size_t rowLength() const { return rowLength_; }

private:
    size_t rowLength_ = 0;  ///< 0: rows are as long as the uploaded block
};

/// The kinds' constructors create the texture in the current context (throwing
/// InternalException when GL cannot make its storage). Every member that
/// reaches GL (all but the converters, the sizes and format()) needs a context
/// current that shares the texture, and leaves the caller's texture binding as
/// it was unless it says otherwise.
class ZEV_API Texture : public Object {
public:
    /// The unit argument that means the active unit, whichever it is.
    static constexpr int CURRENT_UNIT = -1;

    /// The twelve sized internal formats the runtime works with.
    enum InternalFormat : int {
        INTERNAL_FORMAT_RGBA8 = 0,
        INTERNAL_FORMAT_RGBA16F,
        INTERNAL_FORMAT_RGBA32F,
        INTERNAL_FORMAT_RGB8,
        INTERNAL_FORMAT_RGB16F,
        INTERNAL_FORMAT_RGB32F,
        INTERNAL_FORMAT_LUMINANCE8,
        INTERNAL_FORMAT_LUMINANCE16F,
        INTERNAL_FORMAT_LUMINANCE32F,
        INTERNAL_FORMAT_LUMINANCE_ALPHA8,
        INTERNAL_FORMAT_LUMINANCE_ALPHA16F,
        INTERNAL_FORMAT_LUMINANCE_ALPHA32F,
        INTERNAL_FORMAT_COUNT
    };
    /// Pixel-transfer formats of client data.
    enum Format : int {
        FORMAT_RED = 0,
        FORMAT_RG,
        FORMAT_RGB,
        FORMAT_BGR,
        FORMAT_RGBA,
        FORMAT_BGRA,
        FORMAT_ALPHA,
        FORMAT_LUMINANCE,
        FORMAT_LUMINANCE_ALPHA
    };
    /// Component types of client data.
    enum Type : int {
        TYPE_UNSIGNED_BYTE = 0,
        TYPE_BYTE,
        TYPE_UNSIGNED_SHORT,
        TYPE_SHORT,
        TYPE_UNSIGNED_INT,
        TYPE_INT,
        TYPE_HALF_FLOAT,
        TYPE_FLOAT
    };
    enum Filter : int {
        FILTER_NEAREST = 0,
        FILTER_LINEAR,
        FILTER_NEAREST_MIPMAP_NEAREST,
        FILTER_LINEAR_MIPMAP_NEAREST,
        FILTER_NEAREST_MIPMAP_LINEAR,
        FILTER_LINEAR_MIPMAP_LINEAR
    };
    /// Value 2, clamp to edge, is what the texture pool resets reused 2D textures to.
    enum WrapMode : int {
        WRAP_CLAMP = 0,
        WRAP_REPEAT = 1,
        WRAP_CLAMP_TO_EDGE = 2,
        WRAP_CLAMP_TO_BORDER = 3,
        WRAP_MIRRORED_REPEAT = 4
    };

    /// Converters from GL enumerants; an enumerant without a counterpart
    /// throws ParameterException. Need no context.
    ///@{
    static InternalFormat GL2InternalFormat(unsigned int glInternalFormat);
    static Format GL2Format(unsigned int glFormat);
    static Type GL2Type(unsigned int glType);
    static Filter GL2Filter(unsigned int glFilter);
    static WrapMode GL2WrapMode(unsigned int glWrapMode);
    ///@}
    /// And back to GL; a value outside the enumeration throws ParameterException.
    ///@{
    static unsigned int InternalFormat2GL(InternalFormat format);
    static unsigned int Format2GL(Format format);
    static unsigned int Type2GL(Type type);
    ///@}

    /// Logical bytes per texel of the format times width x height x depth.
    static size_t SizeInBytes(InternalFormat format, size_t width, size_t height, size_t depth);
    /// Throws ParameterException for a value outside the enumeration.
    static size_t BytesPerTexel(InternalFormat format);

    /// Deletes the texture, if this wrapper holds one, in the current context.
    ~Texture() override;
    /// Gives the name up without deleting it: the caller deletes it, and this
    /// wrapper holds 0 (sizes and format stay readable).
    unsigned int release() noexcept;
    unsigned int getBoundID() const override;
    /// GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D or GL_TEXTURE_RECTANGLE.
    unsigned int target() const { return target_; }

    /// The level-0 storage in bytes (SizeInBytes of format and size); no GL call.
    int sizeInBytes() const;
    /// The extent of a mipmap level, at least 1; no GL call.
    ///@{
    size_t width(int level = 0) const;
    size_t height(int level = 0) const;
    size_t depth(int level = 0) const;
    ///@}
    InternalFormat format() const { return format_; }

    void setFilter(Filter minification, Filter magnification);
    /// rgba: four floats, read during the call.
    void setBorderColor(const float* rgba);

    /// Fixed-function style binding, which stays after the call. A unit of
    /// CURRENT_UNIT leaves the active unit alone; any other unit is made the
    /// active one first, and stays active.
    void bind_DEPRECATED_1_0(int unit) const;
    void unbind_DEPRECATED_1_0(int unit) const;
    void enable_DEPRECATED_1_0(int unit) const;
    void disable_DEPRECATED_1_0(int unit) const;
    static int CurrentUnit_DEPRECATED_1_0();
    static void setEnv_DEPRECATED_1_0(unsigned int mode);

protected:
    /// Creates the GL texture with storage for level 0 (and the whole mipmap
    /// chain when mipmapped is true) in the current context.
    Texture(unsigned int target, InternalFormat format, size_t width, size_t height, size_t depth,
            bool mipmapped);
    /// Adopts an existing texture of target with the given format and size.
    struct AdoptName {};
    Texture(AdoptName, unsigned int target, unsigned int name, InternalFormat format, size_t width,
            size_t height, size_t depth);
    Texture(Texture&& other) noexcept;
    Texture& operator=(Texture&& other) noexcept;

private:
    void destroy() noexcept;

    unsigned int target_;
    InternalFormat format_;
    size_t width_;
    size_t height_;
    size_t depth_;
};

class ZEV_API Texture1 : public Texture {
protected:
    using Texture::Texture;
    Texture1(Texture1&& other) noexcept = default;
    Texture1& operator=(Texture1&& other) noexcept = default;
};

class ZEV_API Texture2 : public Texture {
public:
    /// Uploads a block from client memory, which is only read during the
    /// call; throws InternalException when GL refuses it.
    void subImage(int level, int x, int y, size_t width, size_t height, Format format, Type type,
                  const void* pixels, const PixelUnpackParameters& unpack);
    /// Copies from the current read framebuffer; (sourceX, sourceY) is the lower left corner.
    void copyTexSubImage(int level, int x, int y, int sourceX, int sourceY, size_t width,
                         size_t height);
    void setWrap(WrapMode s, WrapMode t);

protected:
    using Texture::Texture;
    Texture2(Texture2&& other) noexcept = default;
    Texture2& operator=(Texture2&& other) noexcept = default;
};

class ZEV_API Texture3 : public Texture {
protected:
    using Texture::Texture;
    Texture3(Texture3&& other) noexcept = default;
    Texture3& operator=(Texture3&& other) noexcept = default;
};

class ZEV_API Texture1D : public Texture1 {
public:
    Texture1D(InternalFormat format, size_t width, bool mipmapped);
    /// Adopts name, whose format and size the caller vouches for; deleted by this wrapper.
    static Texture1D wrap(unsigned int name, InternalFormat format, size_t width);
    Texture1D(Texture1D&& other) noexcept;
    Texture1D& operator=(Texture1D&& other) noexcept;
    ~Texture1D() override;

private:
    Texture1D(AdoptName, unsigned int name, InternalFormat format, size_t width);
};

class ZEV_API Texture2D : public Texture2 {
public:
    Texture2D(InternalFormat format, size_t width, size_t height, bool mipmapped);
    /// Adopts name, whose format and size the caller vouches for; deleted by this wrapper.
    static Texture2D wrap(unsigned int name, InternalFormat format, size_t width, size_t height);
    Texture2D(Texture2D&& other) noexcept;
    Texture2D& operator=(Texture2D&& other) noexcept;
    ~Texture2D() override;

private:
    Texture2D(AdoptName, unsigned int name, InternalFormat format, size_t width, size_t height);
};

class ZEV_API Texture3D : public Texture3 {
public:
    Texture3D(InternalFormat format, size_t width, size_t height, size_t depth, bool mipmapped);
    /// Adopts name, whose format and size the caller vouches for; deleted by this wrapper.
    static Texture3D wrap(unsigned int name, InternalFormat format, size_t width, size_t height,
                          size_t depth);
    Texture3D(Texture3D&& other) noexcept;
    Texture3D& operator=(Texture3D&& other) noexcept;
    ~Texture3D() override;

private:
    Texture3D(AdoptName, unsigned int name, InternalFormat format, size_t width, size_t height,
              size_t depth);
};

class ZEV_API TextureRECT : public Texture2 {
public:
    TextureRECT(InternalFormat format, size_t width, size_t height);
    /// Adopts name, whose format and size the caller vouches for; deleted by this wrapper.
    static TextureRECT wrap(unsigned int name, InternalFormat format, size_t width, size_t height);
    TextureRECT(TextureRECT&& other) noexcept;
    TextureRECT& operator=(TextureRECT&& other) noexcept;
    ~TextureRECT() override;

private:
    TextureRECT(AdoptName, unsigned int name, InternalFormat format, size_t width, size_t height);
};

}  // namespace ZEV::OGL
