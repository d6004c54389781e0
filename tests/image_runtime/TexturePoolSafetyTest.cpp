// The texture pool against misuse and hostile contexts: sizes without
// texels, GL work with no context current, eviction with no context or a
// foreign one current, and textures that outlive their pool.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "image_runtime/ShaderProgramProxyOGL.h"
#include "image_runtime/images/ImageGPU.h"
#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Context.h"

namespace ZEV {
namespace {

using namespace Test;
constexpr auto RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;
constexpr size_t kBytes8x8 = size_t{8} * 8 * 4;

class TexturePoolSafetyTest : public PoolTest {};

TEST_F(TexturePoolSafetyTest, SizesWithoutTexelsAreRefusedSoThePoolStaysBounded) {
    for (const bool reuseLarger : {false, true}) {
        createPool(kDefaultLimit, reuseLarger);
        TexturePool& p = pool();
        const size_t textures = OGL::LiveObjects::textures();
        const std::function<void()> requests[] = {
            [&] { p.getTexture2DFromPool(0, 16, RGBA8); },
            [&] { p.getTexture2DFromPool(16, 0, RGBA8); },
            [&] { p.getTexture1DFromPool(0, RGBA8); },
            [&] { p.getTexture3DFromPool(4, 4, 0, RGBA8); },
            [&] { p.getTextureRECTFromPool(0, 4, RGBA8); },
            [] { ImageGPU(int2(0, 0), size2(0, 7), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1)); },
        };
        for (const auto& request : requests) EXPECT_THROW(request(), ParameterException);
        if (reuseLarger) {  // 2^31 + 1 has no power of two in 32 bits
            EXPECT_THROW(p.getTexture2DFromPool(0x80000001u, 1, RGBA8), ParameterException);
        }
        EXPECT_EQ(OGL::LiveObjects::textures(), textures);
        EXPECT_EQ(p.currentPoolSize(), 0u);
        destroyPool();
    }
}

TEST_F(TexturePoolSafetyTest, GLWorkWithNoContextCurrentThrowsBeforeAnyGLCall) {
    createPool();
    {
        ImageGPU image(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
        const std::vector<unsigned char> data(size_t{4} * 4 * 4, 0);
        ShaderProgramProxyOGL proxy;
        const std::function<void()> calls[] = {
            [&] {
                image.copyImageData(int2(0, 0), size2(4, 4), GL_RGBA, GL_UNSIGNED_BYTE, data.data(),
                                    float2(1, 1));
            },
            [&] {
                image.copyImageData(data.data(), int2(0, 0), size2(4, 4), float2(1, 1), GL_RGBA,
                                    GL_UNSIGNED_BYTE, 4);
            },
            [&] { image.copyFrameBufferData(0, 0, 0, 0, 4, 4); },
            [&] { image.bind(0); },
            [&] { proxy.LockOglProgram(); },
        };
        OGL::releaseCurrentContext();
        for (const auto& call : calls) EXPECT_THROW(call(), InternalException);
        callerContext().makeCurrent();
    }
    destroyPool();
}

// The limit is one 8 x 8 RGBA8 texture, so each give-back evicts at once.
TEST_F(TexturePoolSafetyTest, EvictionWithNoContextOrAForeignOneDeletesInThePoolContext) {
    const auto foreign = OGL::createHeadlessContext();
    createPool(kBytes8x8);
    TexturePool& p = pool();

    OGL::Texture2D* texture = p.getTexture2DFromPool(8, 8, RGBA8);
    unsigned int name = texture->objectID();
    OGL::releaseCurrentContext();
    p.returnTexture2DToPool(texture);
    callerContext().makeCurrent();
    EXPECT_FALSE(isTextureName(name));

    // The foreign context has textures of the same names as the pool's.
    texture = p.getTexture2DFromPool(8, 8, RGBA8);
    name = texture->objectID();
    foreign->makeCurrent();
    std::vector<GLuint> own(name);
    glGenTextures(static_cast<GLsizei>(name), own.data());
    for (const GLuint n : own) glBindTexture(GL_TEXTURE_2D, n);
    p.returnTexture2DToPool(texture);
    EXPECT_TRUE(isTextureName(name));
    glDeleteTextures(static_cast<GLsizei>(name), own.data());
    callerContext().makeCurrent();
    EXPECT_FALSE(isTextureName(name));

    EXPECT_EQ(listener.events, (Events{{IMPENDING, kBytes8x8},
                                       {ALLOCATED, kBytes8x8},
                                       {FREED, kBytes8x8},
                                       {IMPENDING, kBytes8x8},
                                       {ALLOCATED, kBytes8x8},
                                       {FREED, kBytes8x8}}));
    destroyPool();
}

// Not a GLTest: the textures kept here stay counted as live, which is the point.
TEST(TexturePoolOrphanTest, ATextureOutlivingItsPoolStaysInItsOwnShareGroup) {
    callerContext().makeCurrent();
    TexturePool::Configuration configuration;
    configuration.setContext(&poolContext());
    const auto image = [] {
        return std::make_unique<ImageGPU>(int2(0, 0), size2(8, 8), ImageGPU::PIXEL_FORMAT_RGBA8,
                                          float2(1, 1));
    };

    // Destroyed after its pool with no context current: kept, not silently dropped.
    RuntimeSetup::createTexturePool(configuration);
    auto held = image();
    auto orphan = image();
    RuntimeSetup::destroyTexturePool();
    const size_t live = OGL::LiveObjects::textures();
    OGL::releaseCurrentContext();
    held.reset();
    EXPECT_EQ(OGL::LiveObjects::textures(), live);

    // Given to a pool of another share group: never listed there, where its
    // name belongs to another image.
    const auto otherCaller = OGL::createHeadlessContext();
    const auto otherPool = OGL::createHeadlessContext(otherCaller.get());
    otherCaller->makeCurrent();
    configuration.setContext(otherPool.get());
    RuntimeSetup::createTexturePool(configuration);
    {
        auto victim = image();
        orphan.reset();
        EXPECT_EQ(TexturePool::Instance()->currentPoolSize(), 0u);
        auto next = image();
        EXPECT_NE(next->texture()->objectID(), victim->texture()->objectID());
    }
    RuntimeSetup::destroyTexturePool();
    OGL::releaseCurrentContext();
}

}  // namespace
}  // namespace ZEV
