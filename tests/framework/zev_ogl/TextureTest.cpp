// Texture wrappers on real GL: storage and sizes as the driver reports them,
// the enumerant converters and uploads from longer rows.
#include "zev_ogl/Texture.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

TEST_F(TextureTest, SubImageHonoursRowLengthAndRestoresUnpackState) {
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 4, 3, false);
    const std::vector<unsigned char> zeros(size_t{4} * 3 * 4, 0);
    texture.subImage(0, 0, 0, 4, 3, Texture::FORMAT_RGBA, Texture::TYPE_UNSIGNED_BYTE, zeros.data(),
                     PixelUnpackParameters());
    // A 2x2 RGB block taken out of rows 5 pixels long, placed at (1, 1).
    std::vector<unsigned char> source(size_t{5} * 2 * 3);
    for (size_t n = 0; n < source.size(); ++n) source[n] = static_cast<unsigned char>(n + 1);
    PixelUnpackParameters unpack;
    unpack.setRowLength(5);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    texture.subImage(0, 1, 1, 2, 2, Texture::FORMAT_RGB, Texture::TYPE_UNSIGNED_BYTE, source.data(),
                     unpack);
    GLint alignment = 0, rowLength = -1;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_TRUE(alignment == 8 && rowLength == 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    const auto texels = ZEV::Test::readTexture2D(texture.objectID(), 4, 3);
    std::vector<int> red;
    for (size_t n = 0; n < texels.size(); n += 4)
        red.push_back(int(std::lround(texels[n] * 255.0f)));
    EXPECT_EQ(red, (std::vector<int>{0, 0, 0, 0, 0, 1, 4, 0, 0, 16, 19, 0}));
}

}  // namespace
}  // namespace ZEV::OGL
