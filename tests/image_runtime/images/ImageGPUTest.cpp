// ImageGPU on real textures from a pool made through RuntimeSetup: formats,
// construction and ownership, uploads and frame-buffer copies read back
// texel by texel, the checks that fail before any OpenGL call, texture
// state, and printing.
#include "image_runtime/images/ImageGPU.h"

#include <epoxy/gl.h>
#include <gmock/gmock.h>

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
using testing::StrEq, testing::ThrowsMessage;

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

::testing::Matcher<std::function<void()>> refusedWith(const char* message) {
    return ThrowsMessage<ParameterException>(StrEq(message));
}

class ImageGPUTest : public PoolTest {};

// The formats are numbered like the texture layer's internal formats, and
// each image's texture has the internal format its mapping names.
TEST_F(ImageGPUTest, FormatsFollowTheTextureLayerAndInvalidOnesNeverReachThePool) {
    const char* const invalid = "invalid pixel format";
    EXPECT_THAT([] { ImageGPU(int2(0), size2(4), ImageGPU::PIXEL_FORMAT_UNDEFINED, float2(1)); },
                refusedWith(invalid));
    createPool();
    for (int f = 0; f < OGL::Texture::INTERNAL_FORMAT_COUNT; ++f) {
        const auto format = static_cast<ImageGPU::tePixelFormat>(f);
        const unsigned int gl = MappedImage::PixelFormatZEV2GL(format);
        EXPECT_EQ(gl, OGL::Texture::InternalFormat2GL(OGL::Texture::InternalFormat(f))) << f;
        EXPECT_EQ(MappedImage::PixelFormatGL2ZEV(gl), format);
        const ImageGPU image(int2(0), size2(2, 1), format, float2(1));
        GLint internal = 0;
        glBindTexture(GL_TEXTURE_2D, image.texture()->objectID());
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(static_cast<unsigned int>(internal), gl) << f;
    }
    listener.events.clear();
    for (const int bad : {12, 13, -1})
        EXPECT_THAT(
            [&] {
                ImageGPU(int2(0), size2(4), static_cast<ImageGPU::tePixelFormat>(bad), float2(1));
            },
            refusedWith(invalid));
    EXPECT_THAT([] { MappedImage::PixelFormatGL2ZEV(GL_RGBA); }, refusedWith(invalid));
    EXPECT_THAT(
        [] { ImageGPU(int2(0), size2(4), ImageGPU::PIXEL_FORMAT_RGBA8, float2(0, 1)); },
        ThrowsMessage<InternalException>(StrEq("pixelSize.x > 0.0f && pixelSize.y > 0.0f")));
    EXPECT_TRUE(listener.events.empty());
    destroyPool();
}

TEST_F(ImageGPUTest, TextureComesFromThePoolAndGoesBackToIt) {
    createPool(kDefaultLimit, true);
    OGL::Texture2D* first = nullptr;
    {
        const ImageGPU image(IntegerRect(int2(5, 6), size2(100, 50)),
                             ImageGPU::PIXEL_FORMAT_RGBA16F, float2(2, 3));
        first = const_cast<OGL::Texture2D*>(image.texture());
        EXPECT_EQ(physical(image), (std::array<size_t, 4>{128, 64, 128, 64}));
        EXPECT_EQ(image.domainOfDefinition(), IntegerRect(int2(5, 6), size2(100, 50)));
        EXPECT_TRUE(allTexelsAre(first, 0, 0, 0, 0));
    }
    EXPECT_EQ(pool().currentPoolSize(), 128u * 64u * 8u);
    ImageGPU second(int2(0, 0), size2(100, 50), ImageGPU::PIXEL_FORMAT_RGBA16F, float2(1, 1));
    EXPECT_EQ(second.texture(), first);

    // Released, the texture is the caller's; adopted, it goes to the pool
    // with the image.
    OGL::Texture2D* released = second.release();
    EXPECT_EQ(second.release(), nullptr);
    {
        const ImageGPU adopted(int2(0, 0), size2(1, 1), released, float2(1, 1));
        EXPECT_EQ(adopted.pixelFormat(), ImageGPU::PIXEL_FORMAT_UNDEFINED);
        EXPECT_EQ(adopted.physicalWidth(), 128u);
        EXPECT_EQ(pool().currentPoolSize(), 0u);
    }
    EXPECT_EQ(pool().currentPoolSize(), 128u * 64u * 8u);
    destroyPool();

    // An image that outlives its pool deletes its texture (the fixture sees no leak).
    createPool();
    auto exact = std::make_unique<ImageGPU>(int2(0, 0), size2(100, 50),
                                            ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    EXPECT_EQ(physical(*exact), (std::array<size_t, 4>{100, 50, 100, 50}));
    destroyPool();
    exact.reset();
    EXPECT_THAT(
        [] { ImageGPU(int2(0), size2(1), static_cast<OGL::Texture2D*>(nullptr), float2(1)); },
        ThrowsMessage<InternalException>(StrEq("Enforce pTexture != NULL")));
}

TEST_F(ImageGPUTest, BothUploadVariantsWriteTheBlockAtTheImageRelativeTexel) {
    createPool(kDefaultLimit, true);
    ImageGPU image = rgba8(int2(10, 20), size2(100, 50));
    const unsigned int name = image.texture()->objectID();
    upload(image, int2(10, 20), size2(100, 50), pattern(100, 50, 100).data(), float2(0.5f, 0.25f));
    EXPECT_TRUE(image.pixelSize().x == 0.5f && image.pixelSize().y == 0.25f);
    // A 6 x 3 block at grid (40, 30), read from rows 17 pixels long, lands at
    // texel (30, 10); texels beyond the image stay as the pool cleared them.
    std::vector<unsigned char> strided = pattern(17, 3, 17);
    for (unsigned char& value : strided) value = static_cast<unsigned char>(255 - value);
    uploadRows(image, int2(40, 30), size2(6, 3), strided.data(), 17, float2(2, 2));
    EXPECT_EQ(image.pixelSize().x, 2.0f);
    EXPECT_TRUE(texelsAre(name, 128, 64, [](size_t x, size_t y, size_t c) {
        if (x >= 30 && x < 36 && y >= 10 && y < 13) return 255 - component(x - 30, y - 10, c);
        return x < 100 && y < 50 ? component(x, y, c) : 0;
    }));
    EXPECT_EQ(boundTexture2D(), 0u);
    destroyPool();
}

TEST_F(ImageGPUTest, BlockChecksFailInOrderBeforeAnyOpenGLCall) {
    createPool();
    ImageGPU image = rgba8(int2(10, 20), size2(100, 50));
    const std::vector<unsigned char> data = pattern(101, 51, 101);
    upload(image, int2(10, 20), size2(100, 50), data.data());
    const std::vector<float> before = readTexture2D(image.texture()->objectID(), 100, 50);
    const CallerTexture callers;
    const char* const start = "offsetX() <= rOffset.i && offsetY() <= rOffset.j";
    const char* const end =
        "rOffset.i + rSize.i <= offsetX() + width() && rOffset.j + rSize.j <= offsetY() + "
        "height()";
    const struct {
        int2 offset;
        size2 size;
        const char* message;
    } cases[] = {
        {int2(9, 20), size2(1, 1), start},       {int2(10, 19), size2(1, 1), start},
        {int2(9, 20), size2(1000, 1000), start},  // the first check wins
        {int2(11, 20), size2(100, 50), end},     {int2(10, 21), size2(100, 50), end},
        {int2(10, 20), size2(101, 1), end},      {int2(109, 69), size2(2, 1), end},
    };
    for (const auto& c : cases) {
        EXPECT_THAT([&] { upload(image, c.offset, c.size, data.data(), float2(7)); },
                    refusedWith(c.message));
        EXPECT_THAT([&] { uploadRows(image, c.offset, c.size, data.data(), 101, float2(7)); },
                    refusedWith(c.message));
    }
    EXPECT_EQ(image.pixelSize().x, 1.0f);
    EXPECT_EQ(boundTexture2D(), callers.name);
    EXPECT_EQ(readTexture2D(image.texture()->objectID(), 100, 50), before);
    // Negative offsets compare as signed values.
    ImageGPU negative = rgba8(int2(-5, -5), size2(10, 10));
    upload(negative, int2(-5, -5), size2(10, 10), data.data());
    EXPECT_THAT([&] { upload(negative, int2(-6, 0), size2(1, 1), data.data()); },
                refusedWith(start));
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
    EXPECT_THROW(image.copyImageData(int2(0, 0), size2(1, 1), 0x1234, GL_UNSIGNED_BYTE, data.data(),
                                     float2(1, 1)),
                 ParameterException);
    EXPECT_EQ(boundTexture2D(), 0u);
    destroyPool();
}

TEST_F(ImageGPUTest, FrameBufferRectangleLandsAtTheGivenTexel) {
    createPool();
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
        // The image's offset plays no part: the destination is in texels.
        image.copyFrameBufferData(2, 3, 1, 1, 4, 5);
        EXPECT_EQ(boundTexture2D(), 0u);
    }
    EXPECT_TRUE(texelsAre(image.texture()->objectID(), 16, 16, [](size_t x, size_t y, size_t c) {
        return x >= 2 && x < 6 && y >= 3 && y < 8 ? component(x - 1, y - 2, c) : 0;
    }));
    destroyPool();
}

TEST_F(ImageGPUTest, TextureStateReachesTheTextureAndNeedsOne) {
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
    image.unbind();
    EXPECT_EQ(boundTexture2D(), 0u);
    glActiveTexture(GL_TEXTURE0);
    image.setFilter(GL_NEAREST, GL_LINEAR);
    image.setWrap(GL_REPEAT, GL_MIRRORED_REPEAT);
    float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    image.setBorderColor(border);
    const std::pair<GLenum, GLint> parameters[] = {{GL_TEXTURE_MIN_FILTER, GL_NEAREST},
                                                   {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                                                   {GL_TEXTURE_WRAP_S, GL_REPEAT},
                                                   {GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT}};
    for (const auto& [parameter, value] : parameters)
        EXPECT_EQ(textureParameter(name, parameter), value) << parameter;
    std::array<GLfloat, 4> readBorder{};
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, readBorder.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(readBorder, (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));

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
        EXPECT_THAT(call, ThrowsMessage<InternalException>(StrEq("Enforce texture() != NULL")));
    empty.setEnvironment(GL_REPLACE);  // needs no texture
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    destroyPool();
}

TEST_F(ImageGPUTest, CopyingIsRefusedAndPrintingShowsTheFormatNumber) {
    createPool();
    ImageGPU image(int2(-1, 2), size2(3, 4), ImageGPU::PIXEL_FORMAT_LUMINANCE32F, float2(1, 1));
    const auto refused =
        ThrowsMessage<InternalException>(StrEq("Not implemented: no copying of ImageGPU allowed"));
    EXPECT_THAT([&] { const ImageGPU copy(image); }, refused);
    ImageGPU other;
    EXPECT_THAT([&] { other = image; }, refused);
    std::ostringstream text;
    text << image << ImageGPU(int2(0, 0), size2(2, 2), image.release(), float2(1, 1));
    EXPECT_THAT(text.str(), testing::HasSubstr("Image physical size : 3 x 4\nImage DOD"));
    EXPECT_THAT(text.str(), testing::HasSubstr("Pixel format : 8\nImage size"));
    EXPECT_THAT(text.str(), testing::EndsWith("Pixel format : 12\n"));
    destroyPool();
}

}  // namespace
}  // namespace ZEV
