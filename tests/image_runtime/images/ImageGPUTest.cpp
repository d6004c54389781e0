// ImageGPU on real textures from a pool made through RuntimeSetup: formats,
// ownership, uploads and frame-buffer copies read back texel by texel, the
// checks that fail before any OpenGL call, texture state, and printing.
#include "image_runtime/images/ImageGPU.h"

#include <epoxy/gl.h>
#include <gmock/gmock.h>

#include <cmath>
#include <functional>
#include <memory>
#include <sstream>
#include <vector>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/ScopedBinding.h"

namespace ZEV {
namespace {

using namespace Test;
using testing::HasSubstr, testing::StrEq, testing::ThrowsMessage;
constexpr auto RGBA8 = ImageGPU::PIXEL_FORMAT_RGBA8;

// Exposes the protected format mapping.
class MappedImage : public ImageGPU {
public:
    using ImageGPU::PixelFormatGL2ZEV;
    using ImageGPU::PixelFormatZEV2GL;
};

// A recognisable RGBA8 value for texel (x, y) of a block.
int component(size_t x, size_t y, size_t c) { return int((x * 7 + y * 13 + c * 61) % 251); }

std::vector<unsigned char> pattern(size_t width, size_t height) {
    std::vector<unsigned char> data(width * height * 4);
    for (size_t n = 0; n < data.size(); ++n)
        data[n] = static_cast<unsigned char>(component(n / 4 % width, n / 4 / width, n % 4));
    return data;
}

// Uploads RGBA8 data, tightly packed or (rowLength > 0) from longer rows.
void upload(ImageGPU& image, int2 offset, size2 size, const unsigned char* data,
            size_t rowLength = 0, float2 pixelSize = float2(1)) {
    if (rowLength == 0)
        image.copyImageData(offset, size, GL_RGBA, GL_UNSIGNED_BYTE, data, pixelSize);
    else
        image.copyImageData(data, offset, size, pixelSize, GL_RGBA, GL_UNSIGNED_BYTE, rowLength);
}

class ImageGPUTest : public PoolTest {};

// The formats are numbered like the texture layer's internal formats, and
// each image's texture has the internal format its mapping names.
TEST_F(ImageGPUTest, FormatsFollowTheTextureLayerAndInvalidOnesNeverReachThePool) {
    const auto invalid = ThrowsMessage<ParameterException>(StrEq("invalid pixel format"));
    EXPECT_THAT([] { ImageGPU(int2(0), size2(4), ImageGPU::PIXEL_FORMAT_UNDEFINED, float2(1)); },
                invalid);
    createPool();
    for (int f = 0; f < OGL::Texture::INTERNAL_FORMAT_COUNT; ++f) {
        const auto format = static_cast<ImageGPU::tePixelFormat>(f);
        EXPECT_EQ(MappedImage::PixelFormatGL2ZEV(MappedImage::PixelFormatZEV2GL(format)), format);
        const ImageGPU image(int2(0), size2(2, 1), format, float2(1));
        EXPECT_EQ(image.texture()->format(), OGL::Texture::InternalFormat(f));
    }
    // Sizes beyond an unsigned int are refused; the largest one reaches GL.
    EXPECT_THAT(
        [] { ImageGPU(int2(0), size2(size_t(1) << 32, 1), RGBA8, float2(1)); },
        ThrowsMessage<ParameterException>(StrEq("width() <= UINT_MAX && height() <= UINT_MAX")));
    EXPECT_THROW(ImageGPU(int2(0), size2(1, 0xffffffffu), RGBA8, float2(1)), InternalException);
    listener.events.clear();
    for (const int bad : {12, -1})
        EXPECT_THAT([&] { ImageGPU(int2(0), size2(4), ImageGPU::tePixelFormat(bad), float2(1)); },
                    invalid);
    EXPECT_THAT([] { MappedImage::PixelFormatGL2ZEV(GL_RGBA); }, invalid);
    EXPECT_THAT(
        [] { ImageGPU(IntegerRect(int2(0), size2(4)), RGBA8, float2(0, 1)); },
        ThrowsMessage<InternalException>(StrEq("(pixelSize.x > 0.0f) && (pixelSize.y > 0.0f)")));
    EXPECT_TRUE(listener.events.empty());
    destroyPool();
}

// Released, the texture is the caller's; adopted, it goes to the pool with
// the image; an image that outlives its pool deletes its texture (the
// fixture sees no leak).
TEST_F(ImageGPUTest, ReleasedTexturesAreTheCallersAndAdoptedOnesGoToThePool) {
    createPool(kDefaultLimit, true);
    auto image = std::make_unique<ImageGPU>(int2(5, 6), size2(100, 50), RGBA8, float2(1));
    EXPECT_TRUE(image->physicalSize().i == 128 && image->physicalHeight() == 64);
    OGL::Texture2D* released = image->release();
    EXPECT_EQ(image->release(), nullptr);
    {
        const ImageGPU adopted(int2(0), size2(1), released, float2(1));
        EXPECT_EQ(adopted.pixelFormat(), ImageGPU::PIXEL_FORMAT_UNDEFINED);
        EXPECT_EQ(adopted.physicalWidth(), 128u);
        EXPECT_EQ(pool().currentPoolSize(), 0u);
    }
    EXPECT_EQ(pool().currentPoolSize(), 128u * 64u * 4u);
    image = std::make_unique<ImageGPU>(int2(0), size2(100, 50), RGBA8, float2(1));
    destroyPool();
    image.reset();
    EXPECT_THAT(
        [] { ImageGPU(int2(0), size2(1), static_cast<OGL::Texture2D*>(nullptr), float2(1)); },
        ThrowsMessage<InternalException>(StrEq("Enforce pTexture != NULL")));
}

TEST_F(ImageGPUTest, UploadsAndCopiesWriteTheBlockAtTheImageRelativeTexel) {
    createPool(kDefaultLimit, true);
    ImageGPU image(int2(10, 20), size2(100, 50), RGBA8, float2(1));
    const unsigned int name = image.texture()->objectID();
    upload(image, int2(10, 20), size2(100, 50), pattern(100, 50).data(), 0, float2(0.5f, 0.25f));
    EXPECT_TRUE(image.pixelSize().x == 0.5f && image.pixelSize().y == 0.25f);
    // A 6 x 3 block at grid (40, 30), read from rows 17 pixels long, lands at
    // texel (30, 10); texels beyond the image stay as the pool cleared them.
    std::vector<unsigned char> strided = pattern(17, 3);
    for (unsigned char& value : strided) value = static_cast<unsigned char>(255 - value);
    // Rows of 68 bytes misread under the caller's alignment of 8, which
    // comes back afterwards with no row length left set.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    upload(image, int2(40, 30), size2(6, 3), strided.data(), 17, float2(2));
    GLint alignment = 0, rowLength = -1;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_TRUE(alignment == 8 && rowLength == 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    EXPECT_EQ(image.pixelSize().x, 2.0f);
    // The frame buffer's rectangle at (1, 1) lands at texel (60, 40): the
    // destination is in texels, the image's offset plays no part.
    OGL::Texture2D source(OGL::Texture::INTERNAL_FORMAT_RGBA8, 8, 8, false);
    source.subImage(0, 0, 0, 8, 8, OGL::Texture::FORMAT_RGBA, OGL::Texture::TYPE_UNSIGNED_BYTE,
                    pattern(8, 8).data(), OGL::PixelUnpackParameters());
    {
        const OGL::FramebufferObject framebuffer;
        framebuffer.attachTexture2D(source.objectID());
        image.copyFrameBufferData(60, 40, 1, 1, 4, 5);
    }
    const std::vector<float> texels = readTexture2D(name, 128, 64);
    for (size_t n = 0; n < texels.size(); ++n) {
        const size_t x = n / 4 % 128, y = n / 4 / 128, c = n % 4;
        int want = x < 100 && y < 50 ? component(x, y, c) : 0;
        if (x >= 30 && x < 36 && y >= 10 && y < 13) want = 255 - component(x - 30, y - 10, c);
        if (x >= 60 && x < 64 && y >= 40 && y < 45) want = component(x - 59, y - 39, c);
        ASSERT_EQ(std::lround(texels[n] * 255.0f), want) << "texel " << x << "," << y;
    }
    EXPECT_EQ(boundTexture2D(), 0u);
    destroyPool();
}

TEST_F(ImageGPUTest, BlockChecksFailInOrderBeforeAnyOpenGLCall) {
    createPool();
    ImageGPU image(int2(10, 20), size2(100, 50), RGBA8, float2(1));
    const std::vector<unsigned char> data = pattern(101, 51);
    upload(image, int2(10, 20), size2(100, 50), data.data());
    const std::vector<float> before = readTexture2D(image.texture()->objectID(), 100, 50);
    const OGL::Texture2D callers(OGL::Texture::INTERNAL_FORMAT_RGBA8, 1, 1, false);
    const OGL::ScopedTextureBinding bound(GL_TEXTURE_2D, callers.objectID());
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
    for (const auto& c : cases)
        for (const size_t rowLength : {0, 101})
            EXPECT_THAT([&] { upload(image, c.offset, c.size, data.data(), rowLength, float2(7)); },
                        ThrowsMessage<ParameterException>(StrEq(c.message)));
    EXPECT_EQ(image.pixelSize().x, 1.0f);
    EXPECT_EQ(boundTexture2D(), callers.objectID());
    EXPECT_EQ(readTexture2D(image.texture()->objectID(), 100, 50), before);
    // Negative offsets compare as signed values.
    ImageGPU negative(int2(-5, -5), size2(10, 10), RGBA8, float2(1));
    upload(negative, int2(-5, -5), size2(10, 10), data.data());
    EXPECT_THROW(upload(negative, int2(-6, 0), size2(1, 1), data.data()), ParameterException);
    destroyPool();
}

TEST_F(ImageGPUTest, TextureStateNeedsATextureAndCopyingIsRefused) {
    createPool();
    ImageGPU image(int2(-1, 2), size2(3, 4), ImageGPU::PIXEL_FORMAT_LUMINANCE32F, float2(1));
    const GLuint name = image.texture()->objectID();
    image.bind(1);
    EXPECT_EQ(OGL::Texture::CurrentUnit_DEPRECATED_1_0(), 1);
    EXPECT_EQ(boundTexture2D(), name);
    float border[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    image.setBorderColor(border);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);
    EXPECT_EQ(border[2], 0.75f);
    image.enable(1);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    image.disable(1);
    image.unbind();
    EXPECT_EQ(boundTexture2D(), 0u);
    glActiveTexture(GL_TEXTURE0);
    image.setFilter(GL_NEAREST, GL_LINEAR);
    image.setWrap(GL_REPEAT, GL_MIRRORED_REPEAT);
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(name, GL_TEXTURE_WRAP_T), GL_MIRRORED_REPEAT);
    ImageGPU empty;
    // One check serves every member; the uploads make it before their own.
    const std::function<void()> needTexture[] = {
        [&] { empty.bind(0); }, [&] { empty.copyFrameBufferData(0, 0, 0, 0, 0, 0); },
        [&] { upload(empty, int2(0, 0), size2(0, 0), nullptr); }};
    for (const auto& call : needTexture)
        EXPECT_THAT(call, ThrowsMessage<InternalException>(StrEq("Enforce texture() != NULL")));
    empty.setEnvironment(GL_REPLACE);  // needs no texture
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(mode, GL_REPLACE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    const auto refused =
        ThrowsMessage<InternalException>(StrEq("Not implemented: no copying of ImageGPU allowed"));
    EXPECT_THAT([&] { const ImageGPU copy(image); }, refused);
    EXPECT_THAT([&] { empty = image; }, refused);
    std::ostringstream text;
    text << image << ImageGPU(int2(0), size2(2), image.release(), float2(1));
    EXPECT_THAT(text.str(), HasSubstr("Image physical size : 3 x 4\nImage DOD"));
    EXPECT_THAT(text.str(), testing::EndsWith("Pixel format : 12\n"));
    destroyPool();
}

}  // namespace
}  // namespace ZEV
