// Every public entry point fed the bad values its checks exist for: the
// documented exception type and message, and the object still usable after.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "image_runtime/CPUProgressCallback.h"
#include "image_runtime/ConversionsWithPixelSize.h"
#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "image_runtime/TexturePool.h"
#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageCPUUtils.h"
#include "image_runtime/images/ImageGPU.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Platform.h"
#include "zev_ogl/Texture.h"

namespace ZEV {
namespace {

using ZEV::Test::throwsWith;

struct Refusal {
    std::function<void()> call;
    std::string message;
};

template <class Exception>
void expectRefusals(const std::vector<Refusal>& refusals) {
    for (size_t n = 0; n < refusals.size(); ++n)
        EXPECT_TRUE(throwsWith<Exception>(refusals[n].call, refusals[n].message)) << "case " << n;
}

// Exposes the protected format mapping.
struct FormatMapping : ImageGPU {
    using ImageGPU::PixelFormatGL2ZEV;
    using ImageGPU::PixelFormatZEV2GL;
};

class BadInput : public ZEV::Test::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        TexturePool::Configuration configuration;
        configuration.setContext(&ZEV::Test::poolContext());
        RuntimeSetup::createTexturePool(configuration);
        RuntimeSetup::createShaderManager();
    }
    void TearDown() override {
        RuntimeSetup::destroyShaderManager();
        RuntimeSetup::destroyTexturePool();
        GLTest::TearDown();
    }
};

TEST_F(BadInput, ImagesRefuseBadPixelSizesFormatsAndBlocks) {
    const char* const pixelSizeMessage = "(pixelSize.x > 0.0f) && (pixelSize.y > 0.0f)";
    const IntegerRect rect(int2(10, 20), size2(8, 4));
    expectRefusals<InternalException>({
        {[&] { ImageGPU(rect, ImageGPU::PIXEL_FORMAT_RGBA8, float2(0, 1)); }, pixelSizeMessage},
        {[&] { ImageGPU(rect, ImageGPU::PIXEL_FORMAT_RGBA8, float2(NAN, 1)); }, pixelSizeMessage},
        {[&] { ImageGPU(int2(0), size2(1), nullptr, float2(1)); }, "Enforce pTexture != NULL"},
        {[] { ImageCPU::channelCount(ImageCPU::tePixelFormat(0)); },
         "Pixel format not supported by ZEV in CPU mode"},
        {[] { ImageCPU::PixelSize(ImageCPU::PIXEL_FORMAT_UNDEFINED); },
         "!\"PIXEL_FORMAT_UNDEFINED\""},
        {[] { ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA16F, 4, 4, float2(1), 0, 0, 0, 0); },
         "Not implemented: ePixelFormat in pixelSize()."},
        {[] { ImageCPU(ImageCPU::PIXEL_FORMAT_RGBA8, 4, 4, float2(-1, 1), 0, 0, 0, 0); },
         "pixelSize.x > 0.0f && pixelSize.y > 0.0f"},
    });
    const size_t texturesBefore = OGL::LiveObjects::textures();
    expectRefusals<ParameterException>({
        {[&] { ImageGPU(rect, ImageGPU::PIXEL_FORMAT_UNDEFINED, float2(1)); },
         "invalid pixel format"},
        {[&] { ImageGPU(rect, ImageGPU::tePixelFormat(-1), float2(1)); }, "invalid pixel format"},
        {[] { FormatMapping::PixelFormatGL2ZEV(GL_RGBA); }, "invalid pixel format"},
    });
    EXPECT_EQ(OGL::LiveObjects::textures(), texturesBefore) << "a refused format reached the pool";

    ImageGPU image(rect, ImageGPU::PIXEL_FORMAT_RGBA8, float2(1));
    const std::vector<unsigned char> block(size_t{16} * 8 * 4, 200);
    const char* const startMessage = "offsetX() <= rOffset.i && offsetY() <= rOffset.j";
    const char* const endMessage =
        "rOffset.i + rSize.i <= offsetX() + width() && rOffset.j + rSize.j <= offsetY() + height()";
    expectRefusals<ParameterException>({
        {[&] {
             image.copyImageData(int2(9, 20), size2(1), GL_RGBA, GL_UNSIGNED_BYTE, block.data(),
                                 float2(3));
         },
         startMessage},
        {[&] {
             image.copyImageData(block.data(), int2(10, 19), size2(1), float2(3), GL_RGBA,
                                 GL_UNSIGNED_BYTE, 16);
         },
         startMessage},
        {[&] {
             image.copyImageData(int2(11, 20), size2(8, 4), GL_RGBA, GL_UNSIGNED_BYTE, block.data(),
                                 float2(3));
         },
         endMessage},
        {[&] {
             image.copyImageData(block.data(), int2(10, 20), size2(8, 5), float2(3), GL_RGBA,
                                 GL_UNSIGNED_BYTE, 16);
         },
         endMessage},
    });
    expectRefusals<InternalException>({
        {[&] { ImageGPU copy(image); }, "Not implemented: no copying of ImageGPU allowed"},
        {[&] {
             ImageGPU other;
             other = image;
         },
         "Not implemented: no copying of ImageGPU allowed"},
    });
    // The image is untouched and still takes a valid upload.
    EXPECT_EQ(image.pixelSize().x, 1.0f);
    image.copyImageData(int2(10, 20), size2(8, 4), GL_RGBA, GL_UNSIGNED_BYTE, block.data(),
                        float2(2));
    EXPECT_EQ(image.pixelSize().x, 2.0f);
    const auto texels = ZEV::Test::readTexture2D(image.texture()->objectID(), 8, 4);
    EXPECT_NEAR(texels[0], 200.0f / 255.0f, 1e-6f);

    ImageCPU luminance(ImageCPU::PIXEL_FORMAT_LUMINANCE8, 2, 2, float2(1), 0, 0, 0, 0);
    expectRefusals<InternalException>({
        {[&] { readRGBAFloat4Pixel(luminance, 0, 0); }, "Invalid input image type"},
        {[&] { writeRGBAFloat4Pixel(luminance, float4(1), 1, 1); }, "Invalid input image type"},
    });
    ImageCPU rgba(ImageCPU::PIXEL_FORMAT_RGBA8, 2, 2, float2(1), 0, 0, 0, 0);
    writeRGBAFloat4Pixel(rgba, float4(1.0f, 0.0f, 0.5f, 1.0f), 1, 1);
    EXPECT_FLOAT_EQ(readRGBAFloat4Pixel(rgba, 1, 1)[0], 1.0f);
}

TEST_F(BadInput, ConversionsRefuseInfinitePlanesAndZeroPixelSizes) {
    const BoundingRect world(float2(0.5f, 0.5f), float2(1.5f, 1.5f));
    expectRefusals<ParameterException>({
        {[] { worldToPixelSpace(BoundingRect::infinitePlane(), float2(0)); },
         "Can't convert infinitePlane to IntegerRect."},
        {[&] { worldToPixelSpace(world, float2(0, 1)); },
         "Can't convert to IntegerRect with PixelSize == 0"},
        {[&] { worldToPixelSpace(world, float2(-0.0f, 1)); },
         "Can't convert to IntegerRect with PixelSize == 0"},
        {[&] { worldToPixelSpace(world, float2(1, 0)); },
         "Can't convert to IntegerRect with PixelSize == 0"},
    });
    EXPECT_TRUE(worldToPixelSpace(BoundingRect(), float2(0)) == IntegerRect());
    EXPECT_TRUE(worldToPixelSpace(world, float2(1)) == IntegerRect(int2(0), size2(2)));
}

TEST_F(BadInput, SingletonsRefuseSecondCreationAndMissingContexts) {
    expectRefusals<InternalException>({
        {[] { RuntimeSetup::createTexturePool(TexturePool::Configuration()); }, "gpInstance_ == 0"},
        {[] { RuntimeSetup::createShaderManager(); }, "gpInstance_ == 0"},
    });
    // A pool without a context serves its free list but refuses to create or clear.
    RuntimeSetup::destroyTexturePool();
    expectRefusals<InternalException>({
        {[] { TexturePool::Instance(); }, "Enforce gpInstance_ != NULL"},
        {[] { RuntimeSetup::destroyTexturePool(); }, "gpInstance_ != 0"},
    });
    RuntimeSetup::createTexturePool(TexturePool::Configuration());
    TexturePool& pool = *TexturePool::Instance();
    pool.returnTexture2DToPool(
        new OGL::Texture2D(OGL::Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false));
    expectRefusals<InternalException>({
        {[&] { pool.getTexture2DFromPool(8, 8, OGL::Texture::INTERNAL_FORMAT_RGBA8); },
         "pContext_"},
        {[&] { pool.getTexture1DFromPool(8, OGL::Texture::INTERNAL_FORMAT_RGBA8); }, "pContext_"},
        {[&] { pool.clear2DPool(); }, "pContext_"},
        {[&] { pool.clearAll(); }, "pContext_"},
    });
    EXPECT_EQ(pool.currentPoolSize(), 64u);
    OGL::Texture2D* reused = pool.getTexture2DFromPool(4, 4, OGL::Texture::INTERNAL_FORMAT_RGBA8);
    EXPECT_EQ(pool.currentPoolSize(), 0u);
    pool.returnTexture2DToPool(reused);
    // Destroying it cannot clear in its own context: it deletes what it holds
    // here, reports the missing context, and leaves no pool behind.
    EXPECT_TRUE(
        throwsWith<InternalException>([] { RuntimeSetup::destroyTexturePool(); }, "pContext_"));
    EXPECT_THROW(TexturePool::Instance(), InternalException);
    TexturePool::Configuration configuration;
    configuration.setContext(&ZEV::Test::poolContext());
    RuntimeSetup::createTexturePool(configuration);
}

TEST_F(BadInput, ThrowingListenersReachTheCallerAndLeakNothing) {
    struct Throwing : VideoMemory::VideoMemoryListener {
        void impendingMemoryAllcation(size_t) override { throw std::runtime_error("impending"); }
    } listener;
    RuntimeSetup::destroyTexturePool();
    TexturePool::Configuration configuration;
    configuration.setContext(&ZEV::Test::poolContext());
    configuration.setVideoMemoryListener(&listener);
    RuntimeSetup::createTexturePool(configuration);
    void* const caller = Platform::currentGLContext();
    EXPECT_THROW(ImageGPU(int2(0), size2(16), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1)),
                 std::runtime_error);
    EXPECT_EQ(Platform::currentGLContext(), caller);
    EXPECT_EQ(TexturePool::Instance()->currentPoolSize(), 0u);
    RuntimeSetup::destroyTexturePool();
    configuration.setVideoMemoryListener(nullptr);
    RuntimeSetup::createTexturePool(configuration);
    const ImageGPU usable(int2(0), size2(16), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1));
    EXPECT_NE(usable.texture(), nullptr);
}

TEST_F(BadInput, ShaderProxiesRefuseBrokenTextsAndAddWhileLocked) {
    ShaderProgramProxyOGL broken;
    broken.add(FragmentShaderSourceOGL("#version 110\nvoid main() { gl_FragColor = nope; }\n"));
    EXPECT_THROW(broken.LockOglProgram(), InternalException);

    ShaderProgramProxyOGL proxy;
    proxy.add(FragmentShaderSourceOGL("#version 110\nvoid main() { gl_FragColor = vec4(1.0); }\n"));
    OGL::Program* program = proxy.LockOglProgram();
    EXPECT_TRUE(throwsWith<InternalException>(
        [&] { proxy.add(FragmentShaderSourceOGL("#version 110\n")); }, "pProxy->n_LockCount == 0"));
    EXPECT_EQ(proxy.LockOglProgram(), program);
    EXPECT_TRUE(glIsProgram(program->objectID()));
    proxy.UnlockOglProgram();
}

TEST(BadInputProgress, ThrowingCallbacksBecomeStatusBits) {
    struct Throwing : CPUProgressCallback {
        int reportProgress(void*, float*) override { throw 42; }
        float initialStepPercent(void*) override { throw std::runtime_error("initial"); }
    } callback;
    CPUProgressCallback::setCPUProgressCallback(&callback);
    float bounds[4] = {0, 0, 0, 100};
    CPUProgressCallbackIntermediary intermediary{};
    int status = 0, lines = 7;
    _ZEV_initialNumberOfLines(bounds, &intermediary, &status, &lines);
    EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR);
    EXPECT_EQ(lines, 7);
    status = 0;
    _ZEV_checkStatus(&intermediary, &lines, &status);
    EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR);
    CPUProgressCallback::setCPUProgressCallback(nullptr);
    _ZEV_checkStatus(&intermediary, &lines, &status);
    EXPECT_EQ(lines, 100);
}

}  // namespace
}  // namespace ZEV
