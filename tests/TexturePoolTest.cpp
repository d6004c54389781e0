// The texture pool's acquisition and return: exact-match first-fit search,
// the power-of-two rule and the clearing of enlarged textures, wrap reset of
// reused textures, creation in the pool's context and the listener traffic.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "support/PoolFixture.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Framebuffer.h"

namespace ZEV {
namespace {

using Test::allTexelsAre;
using Test::fillTexture;
using Test::isTextureName;
using Test::PoolTest;
using Test::RecordingListener;
using Format = OGL::Texture::InternalFormat;
constexpr Format RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;
constexpr Format RGBA16F = OGL::Texture::INTERNAL_FORMAT_RGBA16F;
constexpr Format RGBA32F = OGL::Texture::INTERNAL_FORMAT_RGBA32F;

class TexturePoolTest : public PoolTest {};

TEST_F(TexturePoolTest, ExactMatchFirstFitAndByteCount) {
    createPool();
    TexturePool& p = pool();
    EXPECT_FALSE(p.reuseLargerTextures());  // llvmpipe has non-power-of-two textures

    OGL::Texture2D* a = p.getTexture2DFromPool(100, 60, RGBA8);
    EXPECT_EQ(a->width(0), 100u);
    EXPECT_EQ(a->height(0), 60u);
    EXPECT_EQ(a->format(), RGBA8);
    EXPECT_EQ(p.currentPoolSize(), 0u);
    p.returnTexture2DToPool(a);
    EXPECT_EQ(p.currentPoolSize(), 100u * 60u * 4u);

    // Same size, other format: never taken.
    OGL::Texture2D* other = p.getTexture2DFromPool(100, 60, RGBA16F);
    EXPECT_NE(other, a);
    EXPECT_EQ(other->format(), RGBA16F);
    EXPECT_EQ(p.currentPoolSize(), 100u * 60u * 4u);

    EXPECT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), a);
    EXPECT_EQ(p.currentPoolSize(), 0u);

    // A larger free texture never serves a smaller request.
    OGL::Texture2D* large = p.getTexture2DFromPool(256, 256, RGBA8);
    p.returnTexture2DToPool(large);
    OGL::Texture2D* small = p.getTexture2DFromPool(128, 128, RGBA8);
    EXPECT_NE(small, large);
    EXPECT_EQ(small->width(0), 128u);

    // Equal textures come back out in the order they were given back.
    OGL::Texture2D* b = p.getTexture2DFromPool(100, 60, RGBA8);
    p.returnTexture2DToPool(a);
    p.returnTexture2DToPool(b);
    EXPECT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), a);
    EXPECT_EQ(p.getTexture2DFromPool(100, 60, RGBA8), b);
    EXPECT_EQ(p.currentPoolSize(), 256u * 256u * 4u);

    const unsigned int largeName = large->objectID();
    for (OGL::Texture2D* t : {a, b, other, small}) p.returnTexture2DToPool(t);
    destroyPool();
    EXPECT_FALSE(isTextureName(largeName));
}

TEST_F(TexturePoolTest, OtherKindsAreSearchedAndRoundedByTheirOwnRules) {
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    TexturePool& p = pool();
    ASSERT_TRUE(p.reuseLargerTextures());

    OGL::Texture1D* line = p.getTexture1DFromPool(1000, RGBA8);
    EXPECT_EQ(line->width(0), 1024u);
    OGL::Texture3D* volume = p.getTexture3DFromPool(3, 5, 6, RGBA8);
    EXPECT_EQ(volume->width(0), 4u);
    EXPECT_EQ(volume->height(0), 8u);
    EXPECT_EQ(volume->depth(0), 8u);
    OGL::TextureRECT* rect = p.getTextureRECTFromPool(100, 60, RGBA8);
    EXPECT_EQ(rect->width(0), 100u);  // rectangles are never enlarged
    EXPECT_EQ(rect->height(0), 60u);

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
    EXPECT_TRUE(listener.events.empty());  // only 2D textures reach the listener

    delete line;
    delete volume;
    delete rect;
    destroyPool();
    EXPECT_FALSE(isTextureName(rect16Name));
}

TEST_F(TexturePoolTest, ReusedTextureGetsItsWrapModesResetAndNothingElse) {
    createPool();
    TexturePool& p = pool();
    OGL::Texture2D* texture = p.getTexture2DFromPool(32, 32, RGBA8);
    glBindTexture(GL_TEXTURE_2D, texture->objectID());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_MIRRORED_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    p.returnTexture2DToPool(texture);

    GLuint callers = 0;
    glGenTextures(1, &callers);
    glBindTexture(GL_TEXTURE_2D, callers);
    ASSERT_EQ(p.getTexture2DFromPool(32, 32, RGBA8), texture);

    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), callers);  // the caller's binding survives
    glBindTexture(GL_TEXTURE_2D, texture->objectID());
    GLint s = 0, t = 0, minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(s, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(t, GL_CLAMP_TO_EDGE);
    EXPECT_EQ(minFilter, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &callers);

    delete texture;
    destroyPool();
}

TEST_F(TexturePoolTest, EnlargedTexturesAreClearedAndCallerStateSurvives) {
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    TexturePool& p = pool();

    OGL::Texture2D* exact = p.getTexture2DFromPool(128, 64, RGBA8);
    fillTexture(exact, 255, 128, 64, 255);
    p.returnTexture2DToPool(exact);

    // The caller draws into a framebuffer of its own, with its own viewport
    // and clear colour.
    const unsigned int callers = OGL::Framebuffer::generate();
    OGL::Framebuffer::bind(callers);
    glViewport(3, 4, 50, 60);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);

    OGL::Texture2D* enlarged = p.getTexture2DFromPool(100, 60, RGBA8);
    ASSERT_EQ(enlarged, exact);
    EXPECT_EQ(enlarged->width(0), 128u);
    EXPECT_EQ(enlarged->height(0), 64u);
    EXPECT_TRUE(allTexelsAre(enlarged, 0, 0, 0, 0));

    EXPECT_EQ(OGL::Framebuffer::currentBinding(), callers);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{3, 4, 50, 60}));
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4),
              (std::vector<GLfloat>{0.25f, 0.5f, 0.75f, 1.0f}));

    // A request that needs no rounding does not clear.
    fillTexture(enlarged, 10, 20, 30, 40);
    p.returnTexture2DToPool(enlarged);
    OGL::Texture2D* again = p.getTexture2DFromPool(128, 64, RGBA8);
    ASSERT_EQ(again, exact);
    EXPECT_TRUE(allTexelsAre(again, 10 / 255.f, 20 / 255.f, 30 / 255.f, 40 / 255.f));

    // A new texture whose size was rounded is cleared too; 3 x 1025 becomes 4 x 2048.
    OGL::Texture2D* fresh = p.getTexture2DFromPool(3, 1025, RGBA32F);
    EXPECT_EQ(fresh->width(0), 4u);
    EXPECT_EQ(fresh->height(0), 2048u);
    EXPECT_TRUE(allTexelsAre(fresh, 0, 0, 0, 0));
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), callers);

    OGL::Framebuffer::bind(0);
    OGL::Framebuffer::destroy(callers);
    delete again;
    delete fresh;
    destroyPool();
}

TEST_F(TexturePoolTest, EnlargedTexturesAreClearedFromAnotherDrawingContext) {
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    TexturePool& p = pool();
    OGL::Texture2D* used = p.getTexture2DFromPool(64, 64, RGBA8);
    fillTexture(used, 9, 9, 9, 9);
    p.returnTexture2DToPool(used);

    // A second drawing context of the share group asks for a rounded size:
    // it cannot rely on the pool's framebuffer object, which belongs to the
    // context that created the pool.
    auto other = OGL::createHeadlessContext(&ZEV::Test::callerContext());
    other->makeCurrent();
    const size_t framebuffers = OGL::LiveObjects::count(OGL::ObjectKind::Framebuffer);
    OGL::Texture2D* cleared = p.getTexture2DFromPool(50, 40, RGBA8);
    EXPECT_EQ(cleared, used);
    EXPECT_TRUE(allTexelsAre(cleared, 0, 0, 0, 0));
    EXPECT_EQ(OGL::LiveObjects::count(OGL::ObjectKind::Framebuffer), framebuffers);
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), 0u);
    ZEV::Test::callerContext().makeCurrent();
    delete cleared;
    destroyPool();
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
        // Fixed at construction: the capability no longer matters.
        OGL::Texture2D* t = pool().getTexture2DFromPool(3, 3, RGBA8);
        EXPECT_EQ(t->width(0), c.reuse ? 4u : 3u);
        delete t;
        destroyPool();
    }
    // 1 x 2 needs no rounding either way: no clearing, no framebuffer use.
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    OGL::Texture2D* t = pool().getTexture2DFromPool(1, 2, RGBA8);
    EXPECT_EQ(t->width(0), 1u);
    EXPECT_EQ(t->height(0), 2u);
    delete t;
    destroyPool();
}

TEST_F(TexturePoolTest, ListenerHearsOfNew2DTexturesOnlyInTheRightContexts) {
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    TexturePool& p = pool();

    OGL::Texture2D* texture = p.getTexture2DFromPool(100, 60, RGBA16F);
    EXPECT_TRUE(callerIsCurrent());
    ASSERT_EQ(listener.events.size(), 2u);
    const size_t bytes = OGL::Texture::SizeInBytes(RGBA16F, 128, 64, 1);
    EXPECT_EQ(listener.events[0], RecordingListener::event(RecordingListener::IMPENDING, bytes));
    EXPECT_EQ(listener.events[1], RecordingListener::event(RecordingListener::ALLOCATED, bytes));
    // Announced in the caller's context, reported in the pool's.
    EXPECT_NE(listener.events[0].context, poolHandle());
    EXPECT_EQ(listener.events[1].context, poolHandle());

    // Giving back and reusing say nothing; neither do the other kinds.
    p.returnTexture2DToPool(texture);
    EXPECT_EQ(p.getTexture2DFromPool(128, 64, RGBA16F), texture);
    delete p.getTexture1DFromPool(10, RGBA8);
    delete p.getTexture3DFromPool(2, 2, 2, RGBA8);
    delete p.getTextureRECTFromPool(10, 10, RGBA8);
    EXPECT_EQ(listener.events.size(), 2u);

    delete texture;  // a caller deleting a texture itself is not reported
    destroyPool();
    ASSERT_EQ(listener.events.size(), 3u);
    EXPECT_EQ(listener.events[2], RecordingListener::event(RecordingListener::FREED, 0));
}

}  // namespace
}  // namespace ZEV
