// Texture wrappers on real GL: storage, sizes, converters, uploads, state.
#include "zev_ogl/Texture.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Framebuffer.h"

namespace ZEV::OGL {
namespace {

using TextureTest = ZEV::Test::GLTest;

TEST_F(TextureTest, StorageHasTheRequestedSizeAndFormat) {
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA16F, 100, 60, false);
    EXPECT_TRUE(glIsTexture(texture.objectID()));
    EXPECT_EQ(texture.width(0), 100u);
    EXPECT_EQ(texture.height(0), 60u);
    EXPECT_EQ(texture.depth(0), 1u);
    EXPECT_EQ(texture.width(2), 25u);
    EXPECT_EQ(texture.format(), Texture::INTERNAL_FORMAT_RGBA16F);
    EXPECT_EQ(texture.sizeInBytes(), 100 * 60 * 8);
    GLint width = 0, internal = 0;
    glBindTexture(GL_TEXTURE_2D, texture.objectID());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_EQ(texture.getBoundID(), texture.objectID());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 100);
    EXPECT_EQ(internal, GL_RGBA16F);
    EXPECT_EQ(texture.getBoundID(), 0u);

    Texture1D line(Texture::INTERNAL_FORMAT_LUMINANCE8, 33, false);
    EXPECT_EQ(line.height(0), 1u);
    Texture3D volume(Texture::INTERNAL_FORMAT_RGB8, 4, 5, 6, false);
    EXPECT_EQ(volume.sizeInBytes(), 4 * 5 * 6 * 3);
    TextureRECT rect(Texture::INTERNAL_FORMAT_LUMINANCE_ALPHA32F, 7, 3);
    EXPECT_EQ(rect.target(), unsigned(GL_TEXTURE_RECTANGLE));
    EXPECT_EQ(LiveObjects::count(ObjectKind::Texture3D), 1u);
    EXPECT_EQ(LiveObjects::textures(), 4u);
}

TEST_F(TextureTest, SizeInBytesPerFormat) {
    const size_t bytes[] = {4, 8, 16, 3, 6, 12, 1, 2, 4, 2, 4, 8};
    for (int f = 0; f < Texture::INTERNAL_FORMAT_COUNT; ++f) {
        const auto format = static_cast<Texture::InternalFormat>(f);
        EXPECT_EQ(Texture::SizeInBytes(format, 3, 5, 2), bytes[f] * 30) << f;
        EXPECT_EQ(Texture::GL2InternalFormat(Texture::InternalFormat2GL(format)), format);
    }
    EXPECT_THROW(Texture::SizeInBytes(Texture::INTERNAL_FORMAT_COUNT, 1, 1, 1), ParameterException);
}

TEST_F(TextureTest, ConvertersMapGLEnumerantsAndRefuseOthers) {
    EXPECT_EQ(Texture::GL2InternalFormat(GL_RGBA32F), Texture::INTERNAL_FORMAT_RGBA32F);
    EXPECT_EQ(Texture::GL2InternalFormat(0x881F), Texture::INTERNAL_FORMAT_LUMINANCE_ALPHA16F);
    EXPECT_EQ(Texture::GL2Format(GL_BGRA), Texture::FORMAT_BGRA);
    EXPECT_EQ(Texture::GL2Type(GL_FLOAT), Texture::TYPE_FLOAT);
    EXPECT_EQ(Texture::GL2Filter(GL_LINEAR), Texture::FILTER_LINEAR);
    EXPECT_EQ(Texture::GL2WrapMode(GL_CLAMP_TO_EDGE), Texture::WRAP_CLAMP_TO_EDGE);
    EXPECT_EQ(static_cast<int>(Texture::WRAP_CLAMP_TO_EDGE), 2);
    EXPECT_THROW(Texture::GL2InternalFormat(GL_RGBA), ParameterException);
    EXPECT_THROW(Texture::GL2Format(GL_RGBA8), ParameterException);
    EXPECT_THROW(Texture::GL2Type(0), ParameterException);
    EXPECT_THROW(Texture::GL2WrapMode(GL_LINEAR), ParameterException);
    // Values outside our enumerations (a host's cast) are refused, not read past a table.
    EXPECT_THROW(Texture::Format2GL(static_cast<Texture::Format>(99)), ParameterException);
    EXPECT_THROW(Texture::Type2GL(static_cast<Texture::Type>(-1)), ParameterException);
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 1, 1, false);
    EXPECT_THROW(texture.setWrap(static_cast<Texture::WrapMode>(5), Texture::WRAP_REPEAT),
                 ParameterException);
    EXPECT_THROW(texture.setFilter(Texture::FILTER_LINEAR, static_cast<Texture::Filter>(6)),
                 ParameterException);
}

TEST_F(TextureTest, SubImageHonoursRowLengthAndRestoresUnpackState) {
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 4, 3, false);
    std::vector<unsigned char> zeros(size_t{4} * 3 * 4, 0);
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
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    const auto texels = ZEV::Test::readTexture2D(texture.objectID(), 4, 3);
    auto red = [&](size_t x, size_t y) { return texels[(y * 4 + x) * 4] * 255.0f; };
    EXPECT_NEAR(red(0, 0), 0.0f, 0.01f);
    EXPECT_NEAR(red(1, 1), 1.0f, 0.01f);   // source pixel (0, 0)
    EXPECT_NEAR(red(2, 1), 4.0f, 0.01f);   // source pixel (1, 0)
    EXPECT_NEAR(red(1, 2), 16.0f, 0.01f);  // source pixel (0, 1): 5 pixels later
    EXPECT_NEAR(red(3, 2), 0.0f, 0.01f);
}

TEST_F(TextureTest, FailedUploadsThrowAndKeepTheBinding) {
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false);
    Texture2D other(Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false);
    glBindTexture(GL_TEXTURE_2D, other.objectID());
    const unsigned char pixels[16 * 4] = {};
    EXPECT_THROW(texture.subImage(0, 2, 2, 4, 4, Texture::FORMAT_RGBA, Texture::TYPE_UNSIGNED_BYTE,
                                  pixels, PixelUnpackParameters()),
                 InternalException);
    EXPECT_EQ(other.getBoundID(), other.objectID());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_THROW(Texture2D(Texture::INTERNAL_FORMAT_RGBA8, 1u << 20, 1u << 20, false),
                 InternalException);
}

TEST_F(TextureTest, CopyTexSubImageTakesTheReadFramebuffer) {
    Texture2D target(Texture::INTERNAL_FORMAT_RGBA8, 8, 8, false);
    Texture2D rendered(Texture::INTERNAL_FORMAT_RGBA8, 8, 8, false);
    const unsigned framebuffer = Framebuffer::generate();
    Framebuffer::bind(framebuffer);
    Framebuffer::attachTexture2D(rendered.objectID());
    ASSERT_EQ(Framebuffer::status(), Framebuffer::COMPLETE);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    target.copyTexSubImage(0, 2, 3, 0, 0, 4, 2);
    Framebuffer::bind(0);
    Framebuffer::destroy(framebuffer);
    glClearColor(0, 0, 0, 0);
    const auto texels = ZEV::Test::readTexture2D(target.objectID(), 8, 8);
    EXPECT_FLOAT_EQ(texels[(3 * 8 + 2) * 4 + 1], 1.0f);
    EXPECT_FLOAT_EQ(texels[(4 * 8 + 5) * 4 + 1], 1.0f);
}

TEST_F(TextureTest, SamplingStateAndFixedFunctionBinding) {
    Texture2D texture(Texture::INTERNAL_FORMAT_RGB8, 2, 2, false);
    texture.setWrap(Texture::WRAP_REPEAT, Texture::WRAP_MIRRORED_REPEAT);
    texture.setFilter(Texture::FILTER_NEAREST, Texture::FILTER_LINEAR);
    const float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    texture.setBorderColor(border);
    texture.bind_DEPRECATED_1_0(3);
    EXPECT_EQ(Texture::CurrentUnit_DEPRECATED_1_0(), 3);
    GLint wrapT = 0, minFilter = 0;
    GLfloat colour[4] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, colour);
    EXPECT_EQ(wrapT, GL_MIRRORED_REPEAT);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    texture.enable_DEPRECATED_1_0(Texture::CURRENT_UNIT);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    texture.disable_DEPRECATED_1_0(Texture::CURRENT_UNIT);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    Texture::setEnv_DEPRECATED_1_0(GL_REPLACE);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    texture.unbind_DEPRECATED_1_0(Texture::CURRENT_UNIT);
    EXPECT_EQ(texture.getBoundID(), 0u);
    glActiveTexture(GL_TEXTURE0);
}

}  // namespace
}  // namespace ZEV::OGL
