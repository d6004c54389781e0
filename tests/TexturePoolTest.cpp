// The texture pool's acquisition and return: exact-match first-fit search,
// the power-of-two rule and the clearing of enlarged textures, wrap reset of
// reused textures, creation in the pool's context and the listener traffic.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "support/PoolFixture.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Framebuffer.h"

namespace ZEV {
namespace {

using namespace Test;
using Format = OGL::Texture::InternalFormat;
constexpr Format RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;
constexpr Format RGBA16F = OGL::Texture::INTERNAL_FORMAT_RGBA16F;

using Dims = std::array<size_t, 3>;
Dims dims(const OGL::Texture* t) { return {t->width(0), t->height(0), t->depth(0)}; }

class TexturePoolTest : public PoolTest {};

TEST_F(TexturePoolTest, ExactMatchFirstFitByteCountAndWrapReset) {
    createPool();
    TexturePool& p = pool();
    EXPECT_FALSE(p.reuseLargerTextures());  // llvmpipe has non-power-of-two textures

    OGL::Texture2D* a = p.getTexture2DFromPool(100, 60, RGBA8);
    glBindTexture(GL_TEXTURE_2D, a->objectID());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    p.returnTexture2DToPool(a);
    EXPECT_EQ(p.currentPoolSize(), 100u * 60u * 4u);

    // Same size, other format: never taken.
    OGL::Texture2D* other = p.getTexture2DFromPool(100, 60, RGBA16F);
    EXPECT_NE(other, a);
    {
        // Reuse resets the wrap modes, and only them, behind the caller's binding.
        const CallerTexture callers;
        EXPECT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), a);
        EXPECT_EQ(boundTexture2D(), callers.name);
    }
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_EQ(textureParameter(a->objectID(), GL_TEXTURE_WRAP_S), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(a->objectID(), GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(a->objectID(), GL_TEXTURE_MIN_FILTER), GL_NEAREST);

    // A larger free texture never serves a smaller request.
    OGL::Texture2D* large = p.getTexture2DFromPool(256, 256, RGBA8);
    p.returnTexture2DToPool(large);
    OGL::Texture2D* small = p.getTexture2DFromPool(128, 128, RGBA8);
    EXPECT_NE(small, large);

    // Equal textures come back out in the order they were given back.
    OGL::Texture2D* b = p.getTexture2DFromPool(100, 60, RGBA8);
    p.returnTexture2DToPool(a);
    p.returnTexture2DToPool(b);
    EXPECT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), a);
    EXPECT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), b);
    EXPECT_EQ(p.currentPoolSize(), 256u * 256u * 4u);

    for (OGL::Texture2D* t : {a, b, other, small}) p.returnTexture2DToPool(t);
    destroyPool();
}

TEST_F(TexturePoolTest, OtherKindsAreRoundedByTheirOwnRulesAndNeverReachTheListener) {
    createPool(kDefaultLimit, true);
    TexturePool& p = pool();
    ASSERT_TRUE(p.reuseLargerTextures());

    OGL::Texture1D* line = p.getTexture1DFromPool(1000, RGBA8);
    EXPECT_EQ(dims(line), (Dims{1024, 1, 1}));
    OGL::Texture3D* volume = p.getTexture3DFromPool(3, 5, 6, RGBA8);
    EXPECT_EQ(dims(volume), (Dims{4, 8, 8}));
    OGL::TextureRECT* rect = p.getTextureRECTFromPool(100, 60, RGBA8);
    EXPECT_EQ(dims(rect), (Dims{100, 60, 1}));  // rectangles are never enlarged
    p.returnTexture1DToPool(line);
    p.returnTexture3DToPool(volume);
    p.returnTextureRECTToPool(rect);
    EXPECT_EQ(p.currentPoolSize(), (1024u + 4u * 8u * 8u + 100u * 60u) * 4u);

    // Neighbouring sizes share one entry after rounding.
    EXPECT_EQ(p.getTexture1DFromPool(513, RGBA8), line);
    EXPECT_EQ(p.getTexture3DFromPool(4, 7, 5, RGBA8), volume);
    OGL::TextureRECT* rect16 = p.getTextureRECTFromPool(100, 60, RGBA16F);
    EXPECT_NE(rect16, rect);  // format differs
    EXPECT_EQ(p.currentPoolSize(), 100u * 60u * 4u);
    const unsigned int rect16Name = rect16->objectID();
    p.returnTextureRECTToPool(rect16);
    EXPECT_EQ(p.getTextureRECTFromPool(100, 60, RGBA8), rect);

    delete line;
    delete volume;
    delete rect;
    destroyPool();
    EXPECT_FALSE(isTextureName(rect16Name));
    EXPECT_EQ(listener.events, (Events{freed(0)}));
}

TEST_F(TexturePoolTest, NewAndEnlarged2DTexturesAreReportedClearedAndLeaveCallerStateAlone) {
    createPool(kDefaultLimit, true);
    TexturePool& p = pool();
    OGL::Texture2D* exact = p.getTexture2DFromPool(128, 64, RGBA8);
    EXPECT_TRUE(callerIsCurrent());
    const size_t bytes = size_t{128} * 64 * 4;
    ASSERT_EQ(listener.events, (Events{impending(bytes), allocated(bytes)}));
    // Announced in the caller's context, reported in the pool's.
    EXPECT_NE(listener.events[0].context, poolHandle());
    EXPECT_EQ(listener.events[1].context, poolHandle());
    fillTexture(exact, 255, 128, 64, 255);
    p.returnTexture2DToPool(exact);

    // The caller draws into a framebuffer of its own, with its own viewport
    // and clear colour.
    const CallerFramebuffer callers;
    glViewport(3, 4, 50, 60);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);

    ASSERT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), exact);
    EXPECT_TRUE(allTexelsAre(exact, 0, 0, 0, 0));
    EXPECT_EQ(listener.events.size(), 2u);  // reuse says nothing

    // A request that needs no rounding does not clear.
    fillTexture(exact, 10, 20, 30, 40);
    p.returnTexture2DToPool(exact);
    ASSERT_EQ(p.getTexture2DFromPool(128, 64, RGBA8), exact);
    EXPECT_TRUE(allTexelsAre(exact, 10 / 255.f, 20 / 255.f, 30 / 255.f, 40 / 255.f));

    // A new texture whose size was rounded is cleared too; 3 x 1025 becomes 4 x 2048.
    OGL::Texture2D* fresh = p.getTexture2DFromPool(3, 1025, OGL::Texture::INTERNAL_FORMAT_RGBA32F);
    EXPECT_EQ(dims(fresh), (Dims{4, 2048, 1}));
    EXPECT_TRUE(allTexelsAre(fresh, 0, 0, 0, 0));
    EXPECT_EQ(listener.events.back(), allocated(size_t{4} * 2048 * 16));

    EXPECT_EQ(OGL::Framebuffer::currentBinding(), callers.name);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{3, 4, 50, 60}));
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4),
              (std::vector<GLfloat>{0.25f, 0.5f, 0.75f, 1.0f}));

    // A second drawing context of the share group cannot use the pool's
    // framebuffer object, which belongs to the context that created the pool.
    fillTexture(exact, 9, 9, 9, 9);
    p.returnTexture2DToPool(exact);
    auto other = OGL::createHeadlessContext(&callerContext());
    other->makeCurrent();
    const size_t framebuffers = OGL::LiveObjects::count(OGL::ObjectKind::Framebuffer);
    ASSERT_EQ(p.getTexture2DFromPool(100, 33, RGBA8), exact);
    EXPECT_TRUE(allTexelsAre(exact, 0, 0, 0, 0));
    EXPECT_EQ(OGL::LiveObjects::count(OGL::ObjectKind::Framebuffer), framebuffers);
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), 0u);
    callerContext().makeCurrent();

    delete exact;  // a caller deleting a texture itself is not reported
    delete fresh;
    destroyPool();
    EXPECT_EQ(listener.events.back(), freed(0));
    EXPECT_EQ(listener.events.size(), 5u);
}

TEST_F(TexturePoolTest, CapabilityRuleDecidesAtCreation) {
    auto* extensions = OGL::ExtensionManager::Instance();
    struct Case {
        OGL::ExtensionManager::teVendor vendor;
        bool nonPowerOfTwo, openGL20, reuse;
    };
    const Case cases[] = {
        {OGL::ExtensionManager::VENDOR_ATI, false, true, true},
        {OGL::ExtensionManager::VENDOR_ATI, true, false, false},
        {OGL::ExtensionManager::VENDOR_NVIDIA, false, true, false},
        {OGL::ExtensionManager::VENDOR_MESA, false, false, true},
        {OGL::ExtensionManager::VENDOR_MESA, true, false, false},
    };
    for (const Case& c : cases) {
        extensions->overrideVendor(c.vendor);
        extensions->overrideSupport(OGL::ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO,
                                    c.nonPowerOfTwo);
        extensions->overrideSupport(OGL::ExtensionManager::OPENGL_2_0, c.openGL20);
        createPool();
        extensions->clearOverrides();
        EXPECT_EQ(pool().reuseLargerTextures(), c.reuse) << "vendor " << c.vendor;
        // Fixed at construction: the capability no longer matters. A side
        // of 1 is already a power of two.
        OGL::Texture2D* t = pool().getTexture2DFromPool(3, 1, RGBA8);
        EXPECT_EQ(dims(t), (Dims{c.reuse ? 4u : 3u, 1, 1}));
        delete t;
        destroyPool();
    }
}

}  // namespace
}  // namespace ZEV
