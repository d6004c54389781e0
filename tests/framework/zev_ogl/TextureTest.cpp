// Texture wrappers on real GL: storage and sizes as the driver reports them,
// and the enumerant converters. Uploads from longer rows are ImageGPUTest's.
#include "zev_ogl/Texture.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV::OGL {
namespace {

using TextureTest = ZEV::Test::GLTest;

GLint levelParameter(const Texture& texture, GLint level, GLenum parameter) {
    GLint value = 0;
    glBindTexture(texture.target(), texture.objectID());
    glGetTexLevelParameteriv(texture.target(), level, parameter, &value);
    glBindTexture(texture.target(), 0);
    return value;
}

TEST_F(TextureTest, StorageAndByteCountAgreeWithTheDriverInEveryFormat) {
    const GLenum componentSizes[] = {GL_TEXTURE_RED_SIZE,       GL_TEXTURE_GREEN_SIZE,
                                     GL_TEXTURE_BLUE_SIZE,      GL_TEXTURE_ALPHA_SIZE,
                                     GL_TEXTURE_LUMINANCE_SIZE, GL_TEXTURE_INTENSITY_SIZE};
    for (int f = 0; f < Texture::INTERNAL_FORMAT_COUNT; ++f) {
        const auto format = static_cast<Texture::InternalFormat>(f);
        const Texture2D texture(format, 3, 5, false);
        const auto internal =
            static_cast<unsigned int>(levelParameter(texture, 0, GL_TEXTURE_INTERNAL_FORMAT));
        EXPECT_EQ(internal, Texture::InternalFormat2GL(format)) << f;
        EXPECT_EQ(Texture::GL2InternalFormat(internal), format);
        GLint bits = 0;
        for (const GLenum size : componentSizes) bits += levelParameter(texture, 0, size);
        EXPECT_EQ(texture.sizeInBytes(), bits / 8 * 15) << f;
        EXPECT_EQ(Texture::SizeInBytes(format, 3, 5, 2), size_t(bits / 8 * 30)) << f;
    }
    EXPECT_THROW(Texture::SizeInBytes(Texture::INTERNAL_FORMAT_COUNT, 1, 1, 1), ParameterException);
    EXPECT_THROW(Texture2D(static_cast<Texture::InternalFormat>(-1), 1, 1, false),
                 ParameterException);
}

TEST_F(TextureTest, LevelSizesFollowTheDriverAndStayOnePastTheLastLevel) {
    const Texture2D mipmapped(Texture::INTERNAL_FORMAT_RGBA8, 100, 60, true);
    for (int level = 0; level <= 6; ++level) {
        EXPECT_EQ(levelParameter(mipmapped, level, GL_TEXTURE_WIDTH),
                  GLint(mipmapped.width(level)));
        EXPECT_EQ(levelParameter(mipmapped, level, GL_TEXTURE_HEIGHT),
                  GLint(mipmapped.height(level)));
    }
    EXPECT_EQ(levelParameter(mipmapped, 7, GL_TEXTURE_WIDTH), 0);
    const Texture3D volume(Texture::INTERNAL_FORMAT_RGB8, 4, 5, 6, false);
    EXPECT_EQ(volume.sizeInBytes(), 4 * 5 * 6 * 3);
    EXPECT_TRUE(volume.width(9) == 1 && volume.height(3) == 1 && volume.depth(1) == 3 &&
                volume.depth(3) == 1);
    EXPECT_EQ(Texture1D(Texture::INTERNAL_FORMAT_LUMINANCE8, 33, false).height(0), 1u);
    EXPECT_EQ(TextureRECT(Texture::INTERNAL_FORMAT_RGBA8, 7, 3).target(),
              unsigned(GL_TEXTURE_RECTANGLE));
}

TEST_F(TextureTest, ConvertersRoundTripThroughGLAndRefuseOthers) {
    for (int v = 0; v <= Texture::FORMAT_LUMINANCE_ALPHA; ++v)
        EXPECT_EQ(Texture::GL2Format(Texture::Format2GL(Texture::Format(v))), v);
    for (int v = 0; v <= Texture::TYPE_FLOAT; ++v)
        EXPECT_EQ(Texture::GL2Type(Texture::Type2GL(Texture::Type(v))), v);
    // Wrap modes and filters reach GL only through a texture.
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 1, 1, false);
    glBindTexture(GL_TEXTURE_2D, texture.objectID());
    GLint s = 0, t = 0;
    for (int v = 0; v <= Texture::WRAP_MIRRORED_REPEAT; ++v) {
        texture.setWrap(Texture::WrapMode(v), Texture::WrapMode(4 - v));
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
        EXPECT_TRUE(Texture::GL2WrapMode(s) == v && Texture::GL2WrapMode(t) == 4 - v) << v;
    }
    for (int v = 0; v <= Texture::FILTER_LINEAR_MIPMAP_LINEAR; ++v) {
        texture.setFilter(Texture::Filter(v), Texture::Filter(v % 2));
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &s);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &t);
        EXPECT_TRUE(Texture::GL2Filter(s) == v && Texture::GL2Filter(t) == v % 2) << v;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_THROW(Texture::GL2InternalFormat(GL_RGBA), ParameterException);
    EXPECT_THROW(Texture::GL2Format(GL_RGBA8), ParameterException);
    EXPECT_THROW(Texture::Format2GL(static_cast<Texture::Format>(9)), ParameterException);
    EXPECT_THROW(Texture::Type2GL(static_cast<Texture::Type>(-1)), ParameterException);
    EXPECT_THROW(texture.setWrap(Texture::WrapMode(5), Texture::WRAP_REPEAT), ParameterException);
    EXPECT_THROW(texture.setFilter(Texture::FILTER_LINEAR, Texture::Filter(6)), ParameterException);
}

}  // namespace
}  // namespace ZEV::OGL
