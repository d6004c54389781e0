// The texture pool beyond the bookkeeping that its model test checks: the
// capability rule, reused textures cleared behind the caller's state, the
// singleton and its configuration's defaults, no pool context, throwing
// listeners, sizes without texels, no or a foreign context current, and
// textures that outlive their pool.
#include <epoxy/gl.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "image_runtime/ShaderProgramProxyOGL.h"
#include "image_runtime/images/ImageGPU.h"
#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Context.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Framebuffer.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/ScopedBinding.h"

namespace ZEV {
namespace {

using namespace Test;
using testing::StrEq, testing::ThrowsMessage;
constexpr auto RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;
constexpr size_t kBytes8x8 = size_t{8} * 8 * 4;

class TexturePoolTest : public PoolTest {};

TEST_F(TexturePoolTest, CapabilityRuleDecidesAtCreation) {
    using EM = OGL::ExtensionManager;
    const struct {
        EM::teVendor vendor;
        bool nonPowerOfTwo, openGL20, reuse;
    } cases[] = {{EM::VENDOR_ATI, false, true, true},
                 {EM::VENDOR_ATI, true, false, false},
                 {EM::VENDOR_NVIDIA, false, true, false},
                 {EM::VENDOR_MESA, true, false, false}};
    for (const auto& c : cases) {
        EM::Instance()->overrideVendor(c.vendor);
        EM::Instance()->overrideSupport(EM::ARB_TEXTURE_NON_POWER_OF_TWO, c.nonPowerOfTwo);
        EM::Instance()->overrideSupport(EM::OPENGL_2_0, c.openGL20);
        createPool();
        EXPECT_EQ(pool().reuseLargerTextures(), c.reuse) << "vendor " << c.vendor;
        destroyPool();
    }
}

TEST_F(TexturePoolTest, ReusedTexturesAreClearedAndResetBehindTheCallersState) {
    createPool(kDefaultLimit, true);
    OGL::Texture2D* texture = pool().getTexture2DFromPool(128, 64, RGBA8);
    const size_t bytes = size_t{128} * 64 * 4;
    ASSERT_EQ(listener.events, (Events{{IMPENDING, bytes}, {ALLOCATED, bytes}}));
    // Announced in the caller's context, reported in the pool's.
    EXPECT_EQ(listener.contexts, (std::vector<void*>{callerHandle, poolHandle}));
    fillTexture(texture, 200);
    glBindTexture(GL_TEXTURE_2D, texture->objectID());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    pool().returnTexture2DToPool(texture);

    const OGL::FramebufferObject callers;
    callers.bind();
    const OGL::Texture2D callersTexture(RGBA8, 1, 1, false);
    const OGL::ScopedTextureBinding bound(GL_TEXTURE_2D, callersTexture.objectID());
    glViewport(3, 4, 50, 60);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    ASSERT_EQ(pool().getTexture2DFromPool(100, 60, RGBA8), texture);
    EXPECT_TRUE(allTexelsZero(texture));
    EXPECT_TRUE(callerIsCurrent());
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), callers.objectID());
    EXPECT_EQ(boundTexture2D(), callersTexture.objectID());
    // Reuse resets the wrap modes, and only them.
    for (const GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
        EXPECT_EQ(textureParameter(texture->objectID(), wrap), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(texture->objectID(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    std::array<GLint, 4> viewport{};
    std::array<GLfloat, 4> clear{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{3, 4, 50, 60}));
    EXPECT_EQ(clear, (std::array<GLfloat, 4>{0.25f, 0.5f, 0.75f, 1.0f}));

    // Another drawing context of the share group cannot use the pool's
    // framebuffer object, which belongs to the context that created the pool.
    fillTexture(texture, 9);
    pool().returnTexture2DToPool(texture);
    auto other = OGL::createHeadlessContext(&callerContext());
    other->makeCurrent();
    ASSERT_EQ(pool().getTexture2DFromPool(100, 33, RGBA8), texture);
    EXPECT_TRUE(allTexelsZero(texture));
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), 0u);
    callerContext().makeCurrent();
    delete texture;
    // New textures are rounded and cleared too: 3 x 1025 becomes 4 x 2048.
    OGL::Texture2D* tall = pool().getTexture2DFromPool(3, 1025, RGBA8);
    EXPECT_TRUE(tall->width(0) == 4 && tall->height(0) == 2048);
    EXPECT_TRUE(allTexelsZero(tall));
    delete tall;
    destroyPool();
}

TEST_F(TexturePoolTest, SingletonStatesAndTheirRefusals) {
    auto refused = [](auto call, const char* message) {
        EXPECT_THAT(call, ThrowsMessage<InternalException>(StrEq(message)));
    };
    refused([] { TexturePool::Instance(); }, "Enforce gpInstance_ != NULL");
    refused([this] { destroyPool(); }, "gpInstance_ != 0");
    OGL::releaseCurrentContext();
    refused([this] { createPool(); }, "Enforce gc != NULL");
    callerContext().makeCurrent();

    createPool(1000);
    OGL::Texture2D* texture = pool().getTexture2DFromPool(8, 8, RGBA8);
    pool().returnTexture2DToPool(texture);
    refused([this] { createPool(5000); }, "gpInstance_ == 0");
    EXPECT_EQ(pool().maximumPoolSize(), 1000u);
    // Destroy deletes the free textures in the pool context and comes back.
    const unsigned int name = texture->objectID();
    destroyPool();
    EXPECT_TRUE(callerIsCurrent());
    EXPECT_FALSE(isTextureName(name));
    refused([] { TexturePool::Instance(); }, "Enforce gpInstance_ != NULL");
    // Both configurations start at 128 MiB; a null listener stands for the default one.
    VideoMemory::Configuration memory;
    TexturePool::Configuration configuration;
    memory.setVideoMemoryListener(&listener);
    memory.setVideoMemoryListener(nullptr);
    configuration.setVideoMemoryListener(nullptr);
    EXPECT_TRUE(memory.maximumTexturePoolSize() == 134217728u &&
                configuration.maximumFreelistSize() == 134217728u &&
                memory.videoMemoryListener() ==
                    VideoMemory::Configuration::GlobalDefaultListener() &&
                configuration.videoMemoryListener() == memory.videoMemoryListener());
}

TEST_F(TexturePoolTest, WithoutPoolContextOnlyFreeListRequestsSucceed) {
    createPool(kDefaultLimit, false, false);
    TexturePool& p = pool();
    auto* own = new OGL::Texture2D(RGBA8, 16, 16, false);
    p.returnTexture2DToPool(own);
    auto refused = [&](auto call) {
        EXPECT_THAT(call, ThrowsMessage<InternalException>(StrEq("pContext_")));
        EXPECT_TRUE(callerIsCurrent());
    };
    const std::function<void()> needContext[] = {
        [&] { p.getTexture2DFromPool(8, 8, RGBA8); }, [&] { p.getTexture1DFromPool(8, RGBA8); },
        [&] { p.getTexture3DFromPool(2, 2, 2, RGBA8); },
        [&] { p.getTextureRECTFromPool(2, 2, RGBA8); }, [&] { p.clearAll(); }};
    for (const auto& call : needContext) refused(call);
    EXPECT_EQ(listener.events, (Events{{IMPENDING, kBytes8x8}}));
    EXPECT_EQ(p.getTexture2DFromPool(16, 16, RGBA8), own);
    p.returnTexture2DToPool(own);
    // Destroy reports the missing context but still takes the pool down.
    const unsigned int name = own->objectID();
    refused([this] { destroyPool(); });
    EXPECT_FALSE(isTextureName(name));
    EXPECT_THROW(TexturePool::Instance(), InternalException);
}

TEST_F(TexturePoolTest, ThrowingListenerLeavesThePoolConsistent) {
    createPool(1000);
    TexturePool& p = pool();
    const size_t textures = OGL::LiveObjects::textures();
    // The texture is made before memoryAllocated throws: it is deleted again.
    for (const auto when : {IMPENDING, ALLOCATED}) {
        listener.throwOn = when;
        EXPECT_THROW(p.getTexture2DFromPool(8, 8, RGBA8), std::runtime_error);
        listener.throwOn.reset();
        EXPECT_TRUE(callerIsCurrent());
        EXPECT_EQ(OGL::LiveObjects::textures(), textures);
        EXPECT_EQ(p.currentPoolSize(), 0u);
    }
    OGL::Texture2D* a = p.getTexture2DFromPool(75, 1, RGBA8);   // 300 bytes
    OGL::Texture2D* b = p.getTexture2DFromPool(125, 2, RGBA8);  // 1000 bytes
    p.returnTexture2DToPool(a);
    listener.throwOn = FREED;
    EXPECT_THROW(p.returnTexture2DToPool(b), std::runtime_error);
    EXPECT_EQ(p.currentPoolSize(), 1000u);  // a deleted and counted off before the report
    EXPECT_THROW(p.clear2DPool(), std::runtime_error);
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_TRUE(callerIsCurrent());
    listener.throwOn.reset();
    destroyPool();
}

TEST_F(TexturePoolTest, SizesWithoutTexelsAreRefusedSoThePoolStaysBounded) {
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

// With no context current, GL work of an image or a program proxy is
// refused (a GL call would abort the process) and eviction deletes in the
// pool's context. The limit is one 8 x 8 RGBA8 texture, so each give-back
// evicts at once.
TEST_F(TexturePoolTest, WithNoContextOrAForeignOneCurrentEvictionDeletesInThePoolContext) {
    const auto foreign = OGL::createHeadlessContext();
    createPool(kBytes8x8);
    TexturePool& p = pool();
    const ImageGPU image(int2(0, 0), size2(4, 4), ImageGPU::PIXEL_FORMAT_RGBA8, float2(1, 1));
    ShaderProgramProxyOGL proxy;
    OGL::Texture2D* texture = p.getTexture2DFromPool(8, 8, RGBA8);
    unsigned int name = texture->objectID();
    OGL::releaseCurrentContext();
    EXPECT_THROW(image.bind(0), InternalException);
    EXPECT_THROW(proxy.LockOglProgram(), InternalException);
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

    EXPECT_EQ(std::count(listener.events.begin(), listener.events.end(),
                         std::make_pair(FREED, kBytes8x8)),
              2);
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
