// ImageGPU on real textures from a pool made through RuntimeSetup: format
// mapping, construction and ownership, uploads and frame-buffer copies read
// back texel by texel, the checks that fail before any OpenGL call, texture
// state, and printing.
#include "image_runtime/images/ImageGPU.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <vector>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Framebuffer.h"

namespace ZEV {
namespace {

using Test::allTexelsAre;
using Test::isTextureName;
using Test::PoolTest;
using Test::readTexture2D;
using Test::throwsWith;

// Exposes the protected format mapping.
class MappedImage : public ImageGPU {
public:
    using ImageGPU::PixelFormatGL2ZEV;
    using ImageGPU::PixelFormatZEV2GL;
};

// A recognisable RGBA8 value for texel (x, y) of a block.
unsigned char component(size_t x, size_t y, size_t c) {
    return static_cast<unsigned char>((x * 7 + y * 13 + c * 61) % 251);
}

std::vector<unsigned char> pattern(size_t width, size_t height, size_t rowLength) {
    std::vector<unsigned char> data(rowLength * height * 4, 0);
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            for (size_t c = 0; c < 4; ++c) data[(y * rowLength + x) * 4 + c] = component(x, y, c);
    return data;
}

// Texel (x, y) of a read-back RGBA float image of the given width, as bytes.
unsigned char texel(const std::vector<float>& texels, size_t width, size_t x, size_t y, size_t c) {
    return static_cast<unsigned char>(std::lround(texels[(y * width + x) * 4 + c] * 255.0f));
}

GLuint boundTexture2D() {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    return static_cast<GLuint>(bound);
}

class ImageGPUTest : public PoolTest {};

TEST_F(ImageGPUTest, FormatMappingBothWaysAndInvalidFormatsNeverReachThePool) {
    const unsigned int gl[] = {0x8058, 0x881A, 0x8814, 0x8051, 0x881B, 0x8815,
                               0x1909, 0x881E, 0x8818, 0x190A, 0x881F, 0x8819};
    for (int f = 0; f < 12; ++f) {
        const auto format = static_cast<ImageGPU::tePixelFormat>(f);
        EXPECT_EQ(MappedImage::PixelFormatZEV2GL(format), gl[f]);
        EXPECT_EQ(MappedImage::PixelFormatGL2ZEV(gl[f]), format);
    }
    EXPECT_TRUE(throwsWith<ParameterException>(
        [] { MappedImage::PixelFormatZEV2GL(ImageGPU::PIXEL_FORMAT_UNDEFINED); },
        "invalid pixel format"));
    EXPECT_TRUE(throwsWith<ParameterException>([] { MappedImage::PixelFormatGL2ZEV(0x1908); },
                                               "invalid pixel format"));

    // Refused before the pool is asked: there is none yet.
    EXPECT_TRUE(throwsWith<ParameterException>(
        [] { ImageGPU(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_UNDEFINED, float2(1, 1)); },
        "invalid pixel format"));
    createPool();
    EXPECT_TRUE(throwsWith<ParameterException>(
        [] {
            ImageGPU(IntegerRect(int2(0, 0), size2(4, 4)), static_cast<ImageGPU::tePixelFormat>(13),
                     float2(1, 1));
        },
        "invalid pixel format"));
    EXPECT_TRUE(throwsWith<InternalException>(
        [] { ImageGPU(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_RGBA8, float2(0, 1)); },
        "pixelSize.x > 0.0f && pixelSize.y > 0.0f"));
    EXPECT_TRUE(listener.events.empty());
    destroyPool();
}

TEST_F(ImageGPUTest, TextureComesFromThePoolAndGoesBackToIt) {
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    OGL::Texture2D* first = nullptr;
    {
        ImageGPU image(IntegerRect(int2(5, 6), size2(100, 50)), ImageGPU::PIXEL_FORMAT_RGBA16F,
                       float2(2, 3));
        first = image.texture();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(image.physicalWidth(), 128u);
        EXPECT_EQ(image.physicalHeight(), 64u);
        EXPECT_EQ(image.physicalSize().i, 128u);
        EXPECT_EQ(image.physicalSize().j, 64u);
        EXPECT_EQ(image.domainOfDefinition().size().i, 100u);
        EXPECT_EQ(image.domainOfDefinition().offset().i, 5);
        EXPECT_EQ(first->format(), OGL::Texture::INTERNAL_FORMAT_RGBA16F);
        EXPECT_TRUE(allTexelsAre(first, 0, 0, 0, 0));
    }
    EXPECT_EQ(pool().currentPoolSize(), 128u * 64u * 8u);

    // The next equal request gets the same texture object.
    ImageGPU second(int2(0, 0), size2(100, 50), ImageGPU::PIXEL_FORMAT_RGBA16F, float2(1, 1));
    EXPECT_EQ(second.texture(), first);
    EXPECT_EQ(pool().currentPoolSize(), 0u);

    // Released, the texture is the caller's: nothing goes back to the pool.
    OGL::Texture2D* released = second.release();
    EXPECT_EQ(released, first);
    EXPECT_EQ(second.release(), nullptr);
    EXPECT_EQ(second.physicalWidth(), 0u);
    {
        const ImageGPU moved = ImageGPU(int2(0, 0), size2(1, 1), released, float2(1, 1));
        EXPECT_EQ(moved.pixelFormat(), ImageGPU::PIXEL_FORMAT_UNDEFINED);
        EXPECT_EQ(moved.physicalWidth(), 128u);  // the adopted texture's size
    }
    // The adopted texture went to the pool with the image.
    EXPECT_EQ(pool().currentPoolSize(), 128u * 64u * 8u);
    destroyPool();

    // On a pool that keeps sizes exact, the physical size is the image's.
    createPool();
    ImageGPU exact(int2(0, 0), size2(100, 50), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    EXPECT_EQ(exact.physicalWidth(), 100u);
    EXPECT_EQ(exact.physicalHeight(), 50u);
    delete exact.release();
    destroyPool();

    EXPECT_TRUE(throwsWith<InternalException>(
        [] {
            ImageGPU(int2(0, 0), size2(1, 1), static_cast<OGL::Texture2D*>(nullptr), float2(1, 1));
        },
        "Enforce pTexture != NULL"));
}

TEST_F(ImageGPUTest, ImageThatOutlivesThePoolDeletesItsTexture) {
    createPool();
    auto image = std::make_unique<ImageGPU>(int2(0, 0), size2(8, 8), ImageGPU::PIXEL_FORMAT_RGBA8,
                                            float2(1, 1));
    const unsigned int name = image->texture()->objectID();
    destroyPool();
    image.reset();
    EXPECT_FALSE(isTextureName(name));  // and the fixture sees no leak
}

TEST_F(ImageGPUTest, BothUploadVariantsWriteTheBlockAtTheImageRelativeTexel) {
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    ImageGPU image(int2(10, 20), size2(100, 50), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));

    const std::vector<unsigned char> packed = pattern(100, 50, 100);
    image.copyImageData(int2(10, 20), size2(100, 50), GL_RGBA, GL_UNSIGNED_BYTE, packed.data(),
                        float2(0.5f, 0.25f));
    EXPECT_EQ(image.pixelSize().x, 0.5f);
    EXPECT_EQ(image.pixelSize().y, 0.25f);
    std::vector<float> texels = readTexture2D(image.texture()->objectID(), 128, 64);
    for (size_t y = 0; y < 50; ++y)
        for (size_t x = 0; x < 100; ++x)
            for (size_t c = 0; c < 4; ++c)
                ASSERT_EQ(texel(texels, 128, x, y, c), component(x, y, c)) << x << "," << y;
    // Texels beyond the image stay as the pool cleared them.
    EXPECT_EQ(texels[(10 * 128 + 110) * 4 + 3], 0.0f);

    // A 6 x 3 block at grid (40, 30), read from rows 17 pixels long, lands at texel (30, 10).
    const std::vector<unsigned char> strided = pattern(17, 3, 17);
    std::vector<unsigned char> shifted(strided.size());
    for (size_t n = 0; n < strided.size(); ++n)
        shifted[n] = static_cast<unsigned char>(255 - strided[n]);
    image.copyImageData(shifted.data(), int2(40, 30), size2(6, 3), float2(2, 2), GL_RGBA,
                        GL_UNSIGNED_BYTE, 17);
    EXPECT_EQ(image.pixelSize().x, 2.0f);
    texels = readTexture2D(image.texture()->objectID(), 128, 64);
    for (size_t y = 0; y < 3; ++y)
        for (size_t x = 0; x < 6; ++x)
            for (size_t c = 0; c < 4; ++c)
                ASSERT_EQ(texel(texels, 128, 30 + x, 10 + y, c), 255 - component(x, y, c));
    EXPECT_EQ(texel(texels, 128, 36, 10, 0), component(36, 10, 0));  // just past the block
    EXPECT_EQ(boundTexture2D(), 0u);  // unbound from the current unit afterwards
    destroyPool();
}

TEST_F(ImageGPUTest, BlockChecksFailInOrderBeforeAnyOpenGLCall) {
    createPool();
    ImageGPU image(int2(10, 20), size2(100, 50), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    const std::vector<unsigned char> data = pattern(101, 51, 101);
    image.copyImageData(int2(10, 20), size2(100, 50), GL_RGBA, GL_UNSIGNED_BYTE, data.data(),
                        float2(1, 1));
    const std::vector<float> before = readTexture2D(image.texture()->objectID(), 100, 50);
    GLuint callers = 0;
    glGenTextures(1, &callers);
    glBindTexture(GL_TEXTURE_2D, callers);

    const char* const startMessage = "offsetX() <= rOffset.i && offsetY() <= rOffset.j";
    const char* const endMessage =
        "rOffset.i + rSize.i <= offsetX() + width() && rOffset.j + rSize.j <= offsetY() + "
        "height()";
    struct Case {
        int2 offset;
        size2 size;
        const char* message;
    };
    const Case cases[] = {
        {int2(9, 20), size2(1, 1), startMessage},       {int2(10, 19), size2(1, 1), startMessage},
        {int2(9, 20), size2(1000, 1000), startMessage},  // the first check wins
        {int2(11, 20), size2(100, 50), endMessage},     {int2(10, 21), size2(100, 50), endMessage},
        {int2(10, 20), size2(101, 1), endMessage},      {int2(109, 69), size2(2, 1), endMessage},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(throwsWith<ParameterException>(
            [&] {
                image.copyImageData(c.offset, c.size, GL_RGBA, GL_UNSIGNED_BYTE, data.data(),
                                    float2(7, 7));
            },
            c.message));
        EXPECT_TRUE(throwsWith<ParameterException>(
            [&] {
                image.copyImageData(data.data(), c.offset, c.size, float2(7, 7), GL_RGBA,
                                    GL_UNSIGNED_BYTE, 101);
            },
            c.message));
    }
    EXPECT_EQ(image.pixelSize().x, 1.0f);
    EXPECT_EQ(boundTexture2D(), callers);
    EXPECT_EQ(readTexture2D(image.texture()->objectID(), 100, 50), before);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &callers);

    // Negative offsets compare as signed values.
    ImageGPU negative(int2(-5, -5), size2(10, 10), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    negative.copyImageData(int2(-5, -5), size2(10, 10), GL_RGBA, GL_UNSIGNED_BYTE, data.data(),
                           float2(1, 1));
    EXPECT_TRUE(throwsWith<ParameterException>(
        [&] {
            negative.copyImageData(int2(-6, 0), size2(1, 1), GL_RGBA, GL_UNSIGNED_BYTE, data.data(),
                                   float2(1, 1));
        },
        startMessage));
    destroyPool();
}

TEST_F(ImageGPUTest, FailedUploadUnbindsAndTheVariantsDifferInPixelSize) {
    createPool();
    // An image larger than its adopted texture: the upload fails inside GL.
    ImageGPU image(int2(0, 0), size2(16, 16),
                   new OGL::Texture2D(OGL::Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false),
                   float2(1, 1));
    const std::vector<unsigned char> data = pattern(16, 16, 16);
    EXPECT_THROW(image.copyImageData(int2(0, 0), size2(16, 16), GL_RGBA, GL_UNSIGNED_BYTE,
                                     data.data(), float2(3, 3)),
                 InternalException);
    EXPECT_EQ(boundTexture2D(), 0u);
    EXPECT_EQ(image.pixelSize().x, 1.0f);  // taken on only after a successful upload

    EXPECT_THROW(image.copyImageData(data.data(), int2(0, 0), size2(16, 16), float2(3, 3), GL_RGBA,
                                     GL_UNSIGNED_BYTE, 16),
                 InternalException);
    EXPECT_EQ(boundTexture2D(), 0u);
    EXPECT_EQ(image.pixelSize().x, 3.0f);  // taken on before the upload

    // A transfer format the texture layer does not know fails after binding.
    EXPECT_THROW(image.copyImageData(int2(0, 0), size2(1, 1), 0x1234, GL_UNSIGNED_BYTE, data.data(),
                                     float2(1, 1)),
                 ParameterException);
    EXPECT_EQ(boundTexture2D(), 0u);
    destroyPool();
}

TEST_F(ImageGPUTest, FrameBufferRectangleLandsAtTheGivenTexel) {
    createPool();
    // The source: a framebuffer whose colour attachment holds a known pattern.
    OGL::Texture2D source(OGL::Texture::INTERNAL_FORMAT_RGBA8, 8, 8, false);
    const std::vector<unsigned char> sourceData = pattern(8, 8, 8);
    source.subImage(0, 0, 0, 8, 8, OGL::Texture::FORMAT_RGBA, OGL::Texture::TYPE_UNSIGNED_BYTE,
                    sourceData.data(), OGL::PixelUnpackParameters());
    const unsigned int framebuffer = OGL::Framebuffer::generate();
    OGL::Framebuffer::bind(framebuffer);
    OGL::Framebuffer::attachTexture2D(source.objectID());
    ASSERT_EQ(OGL::Framebuffer::status(), OGL::Framebuffer::COMPLETE);

    // The image's offset plays no part: the destination is in texels.
    ImageGPU image(int2(50, 50), size2(16, 16), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    const std::vector<unsigned char> zeros(size_t{16} * 16 * 4, 0);
    image.copyImageData(int2(50, 50), size2(16, 16), GL_RGBA, GL_UNSIGNED_BYTE, zeros.data(),
                        float2(1, 1));
    image.copyFrameBufferData(2, 3, 1, 1, 4, 5);
    EXPECT_EQ(boundTexture2D(), 0u);
    OGL::Framebuffer::bind(0);
    OGL::Framebuffer::destroy(framebuffer);

    const std::vector<float> texels = readTexture2D(image.texture()->objectID(), 16, 16);
    for (size_t y = 0; y < 16; ++y)
        for (size_t x = 0; x < 16; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
            for (size_t c = 0; c < 4; ++c)
                ASSERT_EQ(texel(texels, 16, x, y, c), inside ? component(x - 1, y - 2, c) : 0)
                    << x << "," << y;
        }
    destroyPool();
}

TEST_F(ImageGPUTest, TextureStateOperationsAndImagesWithoutTexture) {
    createPool();
    const ImageGPU image(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    const GLuint name = image.texture()->objectID();

    image.bind(1);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE1);
    EXPECT_EQ(boundTexture2D(), name);
    image.enable(1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    image.disable(1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    image.setEnvironment(GL_REPLACE);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    image.unbind();
    EXPECT_EQ(boundTexture2D(), 0u);
    glActiveTexture(GL_TEXTURE0);

    image.setFilter(GL_NEAREST, GL_LINEAR);
    image.setWrap(GL_REPEAT, GL_MIRRORED_REPEAT);
    float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    image.setBorderColor(border);
    glBindTexture(GL_TEXTURE_2D, name);
    GLint minFilter = 0, magFilter = 0, s = 0, t = 0;
    GLfloat readBorder[4] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, readBorder);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(minFilter, GL_NEAREST);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(s, GL_REPEAT);
    EXPECT_EQ(t, GL_MIRRORED_REPEAT);
    EXPECT_EQ(std::vector<float>(readBorder, readBorder + 4),
              std::vector<float>(border, border + 4));

    // Without a texture: a clear exception instead of a crash.
    const ImageGPU empty;
    const char* const message = "Enforce texture() != NULL";
    EXPECT_TRUE(throwsWith<InternalException>([&] { empty.bind(0); }, message));
    EXPECT_TRUE(throwsWith<InternalException>([&] { empty.unbind(); }, message));
    EXPECT_TRUE(throwsWith<InternalException>([&] { empty.enable(0); }, message));
    EXPECT_TRUE(throwsWith<InternalException>([&] { empty.disable(0); }, message));
    EXPECT_TRUE(
        throwsWith<InternalException>([&] { empty.setFilter(GL_LINEAR, GL_LINEAR); }, message));
    EXPECT_TRUE(
        throwsWith<InternalException>([&] { empty.setWrap(GL_REPEAT, GL_REPEAT); }, message));
    EXPECT_TRUE(throwsWith<InternalException>([&] { empty.setBorderColor(border); }, message));
    ImageGPU mutableEmpty;
    EXPECT_TRUE(throwsWith<InternalException>(
        [&] { mutableEmpty.copyFrameBufferData(0, 0, 0, 0, 0, 0); }, message));
    EXPECT_TRUE(throwsWith<InternalException>(
        [&] {
            mutableEmpty.copyImageData(int2(0, 0), size2(0, 0), GL_RGBA, GL_UNSIGNED_BYTE, nullptr,
                                       float2(1, 1));
        },
        message));
    empty.setEnvironment(GL_MODULATE);  // needs no texture
    EXPECT_EQ(empty.physicalWidth(), 0u);
    destroyPool();
}

TEST_F(ImageGPUTest, CopyingIsRefusedAndPrintingShowsTheFormatNumber) {
    createPool();
    ImageGPU image(int2(-1, 2), size2(3, 4), ImageGPU::PIXEL_FORMAT_LUMINANCE32F, float2(1, 1));
    const char* const message = "Not implemented: no copying of ImageGPU allowed";
    EXPECT_TRUE(throwsWith<InternalException>([&] { const ImageGPU copy(image); }, message));
    ImageGPU other;
    EXPECT_TRUE(throwsWith<InternalException>([&] { other = image; }, message));
    EXPECT_EQ(other.texture(), nullptr);

    std::ostringstream printed;
    printed << image;
    const std::string text = printed.str();
    EXPECT_NE(text.find("Image physical size : 3 x 4\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind("Pixel format")), "Pixel format : 8\n");

    const ImageGPU adopted(int2(0, 0), size2(2, 2), image.release(), float2(1, 1));
    std::ostringstream adoptedText;
    adoptedText << adopted;
    const std::string adoptedLines = adoptedText.str();
    EXPECT_EQ(adoptedLines.substr(adoptedLines.rfind("Pixel format")), "Pixel format : 12\n");
    destroyPool();
}

}  // namespace
}  // namespace ZEV
