// ImageGPU on real textures from a pool made through RuntimeSetup: format
// mapping, construction and ownership, uploads and frame-buffer copies read
// back texel by texel, the checks that fail before any OpenGL call, texture
// state, and printing.
#include "image_runtime/images/ImageGPU.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Framebuffer.h"

namespace ZEV {
namespace {

using namespace Test;

// Exposes the protected format mapping.
class MappedImage : public ImageGPU {
public:
    using ImageGPU::PixelFormatGL2ZEV;
    using ImageGPU::PixelFormatZEV2GL;
};

ImageGPU rgba8(int2 offset, size2 size) {
    return ImageGPU(offset, size, ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
}

// The physical width and height, and physicalSize() after them.
std::array<size_t, 4> physical(const ImageGPU& image) {
    return {image.physicalWidth(), image.physicalHeight(), image.physicalSize().i,
            image.physicalSize().j};
}

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

// The two upload variants with RGBA8 source data: tightly packed rows, and
// rows rowLength pixels apart.
void upload(ImageGPU& image, int2 offset, size2 size, const unsigned char* data,
            float2 pixelSize = float2(1, 1)) {
    image.copyImageData(offset, size, GL_RGBA, GL_UNSIGNED_BYTE, data, pixelSize);
}
void uploadRows(ImageGPU& image, int2 offset, size2 size, const unsigned char* data,
                size_t rowLength, float2 pixelSize = float2(1, 1)) {
    image.copyImageData(data, offset, size, pixelSize, GL_RGBA, GL_UNSIGNED_BYTE, rowLength);
}

// Reads a width x height texture back and compares every texel, as bytes,
// with want(x, y, component).
::testing::AssertionResult texelsAre(unsigned int texture, size_t width, size_t height,
                                     const std::function<int(size_t, size_t, size_t)>& want) {
    const std::vector<float> texels = readTexture2D(texture, width, height);
    for (size_t n = 0; n < texels.size(); ++n) {
        const size_t x = n / 4 % width, y = n / 4 / width, c = n % 4;
        const long got = std::lround(texels[n] * 255.0f);
        if (got != want(x, y, c))
            return ::testing::AssertionFailure() << "texel " << x << "," << y << " is " << got;
    }
    return ::testing::AssertionSuccess();
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
    const char* const invalid = "invalid pixel format";
    EXPECT_TRUE(throwsWith<ParameterException>(
        [] { MappedImage::PixelFormatZEV2GL(ImageGPU::PIXEL_FORMAT_UNDEFINED); }, invalid));
    EXPECT_TRUE(
        throwsWith<ParameterException>([] { MappedImage::PixelFormatGL2ZEV(0x1908); }, invalid));

    // Refused before the pool is asked: there is none yet.
    EXPECT_TRUE(throwsWith<ParameterException>(
        [] { ImageGPU(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_UNDEFINED, float2(1, 1)); },
        invalid));
    createPool();
    EXPECT_TRUE(throwsWith<ParameterException>(
        [] {
            ImageGPU(IntegerRect(int2(0, 0), size2(4, 4)), static_cast<ImageGPU::tePixelFormat>(13),
                     float2(1, 1));
        },
        invalid));
    EXPECT_TRUE(throwsWith<InternalException>(
        [] { ImageGPU(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_RGBA8, float2(0, 1)); },
        "pixelSize.x > 0.0f && pixelSize.y > 0.0f"));
    EXPECT_TRUE(listener.events.empty());
    destroyPool();
}

TEST_F(ImageGPUTest, TextureComesFromThePoolAndGoesBackToIt) {
    createPool(kDefaultLimit, true);
    OGL::Texture2D* first = nullptr;
    {
        ImageGPU image(IntegerRect(int2(5, 6), size2(100, 50)), ImageGPU::PIXEL_FORMAT_RGBA16F,
                       float2(2, 3));
        first = image.texture();
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(physical(image), (std::array<size_t, 4>{128, 64, 128, 64}));
        EXPECT_EQ(image.domainOfDefinition(), IntegerRect(int2(5, 6), size2(100, 50)));
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
    {
        const ImageGPU adopted(int2(0, 0), size2(1, 1), released, float2(1, 1));
        EXPECT_EQ(adopted.pixelFormat(), ImageGPU::PIXEL_FORMAT_UNDEFINED);
        EXPECT_EQ(adopted.physicalWidth(), 128u);  // the adopted texture's size
        EXPECT_EQ(pool().currentPoolSize(), 0u);
    }
    // The adopted texture went to the pool with the image.
    EXPECT_EQ(pool().currentPoolSize(), 128u * 64u * 8u);
    destroyPool();

    // On a pool that keeps sizes exact, the physical size is the image's. An
    // image that outlives its pool deletes its texture (the fixture sees no leak).
    createPool();
    auto exact = std::make_unique<ImageGPU>(int2(0, 0), size2(100, 50),
                                            ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    EXPECT_EQ(physical(*exact), (std::array<size_t, 4>{100, 50, 100, 50}));
    const unsigned int name = exact->texture()->objectID();
    destroyPool();
    exact.reset();
    EXPECT_FALSE(isTextureName(name));

    EXPECT_TRUE(throwsWith<InternalException>(
        [] {
            ImageGPU(int2(0, 0), size2(1, 1), static_cast<OGL::Texture2D*>(nullptr), float2(1, 1));
        },
        "Enforce pTexture != NULL"));
}

TEST_F(ImageGPUTest, BothUploadVariantsWriteTheBlockAtTheImageRelativeTexel) {
    createPool(kDefaultLimit, true);
    ImageGPU image = rgba8(int2(10, 20), size2(100, 50));
    const unsigned int name = image.texture()->objectID();

    upload(image, int2(10, 20), size2(100, 50), pattern(100, 50, 100).data(), float2(0.5f, 0.25f));
    EXPECT_EQ(image.pixelSize().x, 0.5f);
    EXPECT_EQ(image.pixelSize().y, 0.25f);
    // Texels beyond the image stay as the pool cleared them.
    EXPECT_TRUE(texelsAre(name, 128, 64, [](size_t x, size_t y, size_t c) {
        return x < 100 && y < 50 ? component(x, y, c) : 0;
    }));

    // A 6 x 3 block at grid (40, 30), read from rows 17 pixels long, lands at texel (30, 10).
    std::vector<unsigned char> strided = pattern(17, 3, 17);
    for (unsigned char& value : strided) value = static_cast<unsigned char>(255 - value);
    uploadRows(image, int2(40, 30), size2(6, 3), strided.data(), 17, float2(2, 2));
    EXPECT_EQ(image.pixelSize().x, 2.0f);
    EXPECT_TRUE(texelsAre(name, 128, 64, [](size_t x, size_t y, size_t c) {
        if (x >= 30 && x < 36 && y >= 10 && y < 13) return 255 - component(x - 30, y - 10, c);
        return x < 100 && y < 50 ? component(x, y, c) : 0;
    }));
    EXPECT_EQ(boundTexture2D(), 0u);  // unbound from the current unit afterwards
    destroyPool();
}

TEST_F(ImageGPUTest, BlockChecksFailInOrderBeforeAnyOpenGLCall) {
    createPool();
    ImageGPU image = rgba8(int2(10, 20), size2(100, 50));
    const std::vector<unsigned char> data = pattern(101, 51, 101);
    upload(image, int2(10, 20), size2(100, 50), data.data());
    const std::vector<float> before = readTexture2D(image.texture()->objectID(), 100, 50);
    const CallerTexture callers;

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
            [&] { upload(image, c.offset, c.size, data.data(), float2(7, 7)); }, c.message));
        EXPECT_TRUE(throwsWith<ParameterException>(
            [&] { uploadRows(image, c.offset, c.size, data.data(), 101, float2(7, 7)); },
            c.message));
    }
    EXPECT_EQ(image.pixelSize().x, 1.0f);
    EXPECT_EQ(boundTexture2D(), callers.name);
    EXPECT_EQ(readTexture2D(image.texture()->objectID(), 100, 50), before);

    // Negative offsets compare as signed values.
    ImageGPU negative = rgba8(int2(-5, -5), size2(10, 10));
    upload(negative, int2(-5, -5), size2(10, 10), data.data());
    EXPECT_TRUE(throwsWith<ParameterException>(
        [&] { upload(negative, int2(-6, 0), size2(1, 1), data.data()); }, startMessage));
    destroyPool();
}

TEST_F(ImageGPUTest, FailedUploadUnbindsAndTheVariantsDifferInPixelSize) {
    createPool();
    // An image larger than its adopted texture: the upload fails inside GL.
    ImageGPU image(int2(0, 0), size2(16, 16),
                   new OGL::Texture2D(OGL::Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false),
                   float2(1, 1));
    const std::vector<unsigned char> data = pattern(16, 16, 16);
    EXPECT_THROW(upload(image, int2(0, 0), size2(16, 16), data.data(), float2(3, 3)),
                 InternalException);
    EXPECT_EQ(boundTexture2D(), 0u);
    EXPECT_EQ(image.pixelSize().x, 1.0f);  // taken on only after a successful upload

    EXPECT_THROW(uploadRows(image, int2(0, 0), size2(16, 16), data.data(), 16, float2(3, 3)),
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
    ImageGPU image = rgba8(int2(50, 50), size2(16, 16));
    upload(image, int2(50, 50), size2(16, 16),
           std::vector<unsigned char>(size_t{16} * 16 * 4).data());
    {
        const CallerFramebuffer framebuffer;
        OGL::Framebuffer::attachTexture2D(source.objectID());
        ASSERT_EQ(OGL::Framebuffer::status(), OGL::Framebuffer::COMPLETE);
        // The image's offset plays no part: the destination is in texels.
        image.copyFrameBufferData(2, 3, 1, 1, 4, 5);
        EXPECT_EQ(boundTexture2D(), 0u);
    }
    EXPECT_TRUE(texelsAre(image.texture()->objectID(), 16, 16, [](size_t x, size_t y, size_t c) {
        return x >= 2 && x < 6 && y >= 3 && y < 8 ? component(x - 1, y - 2, c) : 0;
    }));
    destroyPool();
}

TEST_F(ImageGPUTest, TextureStateOperationsAndImagesWithoutTexture) {
    createPool();
    const ImageGPU image = rgba8(int2(0, 0), size2(4, 4));
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
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
    std::array<GLfloat, 4> readBorder{};
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, readBorder.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(readBorder, (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));

    // Without a texture: a clear exception instead of a crash.
    ImageGPU empty;
    const std::function<void()> needTexture[] = {
        [&] { empty.bind(0); },
        [&] { empty.unbind(); },
        [&] { empty.enable(0); },
        [&] { empty.disable(0); },
        [&] { empty.setFilter(GL_LINEAR, GL_LINEAR); },
        [&] { empty.setWrap(GL_REPEAT, GL_REPEAT); },
        [&] { empty.setBorderColor(border); },
        [&] { empty.copyFrameBufferData(0, 0, 0, 0, 0, 0); },
        [&] { upload(empty, int2(0, 0), size2(0, 0), nullptr); }};
    for (const auto& call : needTexture)
        EXPECT_TRUE(throwsWith<InternalException>(call, "Enforce texture() != NULL"));
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

    auto printed = [](const ImageGPU& printedImage) {
        std::ostringstream text;
        text << printedImage;
        return text.str();
    };
    const std::string text = printed(image);
    EXPECT_NE(text.find("Image physical size : 3 x 4\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind("Pixel format")), "Pixel format : 8\n");
    const std::string adopted =
        printed(ImageGPU(int2(0, 0), size2(2, 2), image.release(), float2(1, 1)));
    EXPECT_EQ(adopted.substr(adopted.rfind("Pixel format")), "Pixel format : 12\n");
    destroyPool();
}

}  // namespace
}  // namespace ZEV
