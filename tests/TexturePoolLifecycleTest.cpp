// The texture pool's singleton lifecycle and its failures: no current
// context, no pool context, and listeners that throw. Every failure leaves
// the caller's context current, leaks nothing and keeps the pool usable.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Context.h"

namespace ZEV {
namespace {

using namespace Test;
constexpr auto RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;

class TexturePoolLifecycleTest : public PoolTest {
protected:
    static bool noPool() {
        return throwsWith<InternalException>([] { TexturePool::Instance(); },
                                             "Enforce gpInstance_ != NULL");
    }
};

TEST_F(TexturePoolLifecycleTest, CreateInstanceDestroyFollowTheSingletonStates) {
    EXPECT_TRUE(noPool());
    EXPECT_TRUE(throwsWith<InternalException>([this] { destroyPool(); }, "gpInstance_ != 0"));

    // Creation needs a current context and leaves nothing when it fails (the
    // fixture checks that no framebuffer object was left behind).
    OGL::releaseCurrentContext();
    EXPECT_TRUE(throwsWith<InternalException>([this] { createPool(); }, "Enforce gc != NULL"));
    callerContext().makeCurrent();
    EXPECT_TRUE(noPool());

    createPool(1000);
    TexturePool* const first = TexturePool::Instance();
    OGL::Texture2D* texture = first->getTexture2DFromPool(8, 8, RGBA8);
    first->returnTexture2DToPool(texture);
    const unsigned int name = texture->objectID();

    // A second Create leaves the existing pool as it was.
    EXPECT_TRUE(throwsWith<InternalException>([this] { createPool(5000); }, "gpInstance_ == 0"));
    EXPECT_EQ(TexturePool::Instance(), first);
    EXPECT_EQ(first->maximumPoolSize(), 1000u);
    EXPECT_EQ(first->currentPoolSize(), 256u);

    // Destroy deletes the free textures in the pool context and comes back.
    destroyPool();
    EXPECT_TRUE(callerIsCurrent());
    EXPECT_FALSE(isTextureName(name));
    EXPECT_TRUE(noPool());
    EXPECT_TRUE(throwsWith<InternalException>([this] { destroyPool(); }, "gpInstance_ != 0"));

    // A new pool starts empty with its own configuration.
    createPool(5000);
    EXPECT_EQ(pool().currentPoolSize(), 0u);
    EXPECT_EQ(pool().maximumPoolSize(), 5000u);
    destroyPool();
}

TEST_F(TexturePoolLifecycleTest, WithoutPoolContextOnlyFreeListRequestsSucceed) {
    createPool(kDefaultLimit, false, false);
    TexturePool& p = pool();
    auto* own = new OGL::Texture2D(RGBA8, 16, 16, false);
    p.returnTexture2DToPool(own);
    const size_t textures = OGL::LiveObjects::textures();

    const std::function<void()> creations[] = {[&] { p.getTexture2DFromPool(8, 8, RGBA8); },
                                               [&] { p.getTexture1DFromPool(8, RGBA8); },
                                               [&] { p.getTexture3DFromPool(2, 2, 2, RGBA8); },
                                               [&] { p.getTextureRECTFromPool(2, 2, RGBA8); }};
    for (const auto& create : creations) {
        EXPECT_TRUE(throwsWith<InternalException>(create, "pContext_"));
        EXPECT_TRUE(callerIsCurrent());
    }
    EXPECT_EQ(OGL::LiveObjects::textures(), textures);
    // The announcement came before the context was needed.
    EXPECT_EQ(listener.events, (Events{impending(size_t{8} * 8 * 4)}));

    // A request that the free list serves still works after the failures.
    EXPECT_EQ(p.getTexture2DFromPool(16, 16, RGBA8), own);
    p.returnTexture2DToPool(own);

    listener.events.clear();
    const std::function<void()> clears[] = {[&] { p.clear1DPool(); }, [&] { p.clear2DPool(); },
                                            [&] { p.clear3DPool(); }, [&] { p.clearRECTPool(); },
                                            [&] { p.clearAll(); }};
    for (const auto& clear : clears) EXPECT_TRUE(throwsWith<InternalException>(clear, "pContext_"));
    EXPECT_TRUE(listener.events.empty());
    EXPECT_TRUE(isTexture(own));
    EXPECT_EQ(p.currentPoolSize(), 16u * 16u * 4u);
    EXPECT_TRUE(callerIsCurrent());

    // Destroy reports the missing context but still takes the pool down:
    // no registered pool is left and the free texture is deleted here.
    const unsigned int name = own->objectID();
    EXPECT_TRUE(throwsWith<InternalException>([this] { destroyPool(); }, "pContext_"));
    EXPECT_FALSE(isTextureName(name));
    EXPECT_TRUE(noPool());
}

TEST_F(TexturePoolLifecycleTest, ThrowingListenerLeavesPoolConsistentAndLeaksNothing) {
    createPool(1000);
    TexturePool& p = pool();
    const size_t textures = OGL::LiveObjects::textures();
    // The texture is made before memoryAllocated throws: it is deleted again.
    for (bool* when : {&listener.throwOnImpending, &listener.throwOnAllocated}) {
        *when = true;
        EXPECT_TRUE(throwsWith<std::runtime_error>([&] { p.getTexture2DFromPool(8, 8, RGBA8); },
                                                   "listener"));
        *when = false;
        EXPECT_TRUE(callerIsCurrent());
        EXPECT_EQ(OGL::LiveObjects::textures(), textures);
        EXPECT_EQ(p.currentPoolSize(), 0u);
    }

    // Eviction reports after deleting: the count matches what is left.
    OGL::Texture2D* a = p.getTexture2DFromPool(75, 1, RGBA8);  // 300 bytes
    OGL::Texture2D* b = p.getTexture2DFromPool(75, 1, RGBA8);
    OGL::Texture2D* c = p.getTexture2DFromPool(125, 1, RGBA8);  // 500 bytes
    const unsigned int aName = a->objectID();
    p.returnTexture2DToPool(a);
    p.returnTexture2DToPool(b);
    listener.throwOnFreed = true;
    EXPECT_TRUE(throwsWith<std::runtime_error>([&] { p.returnTexture2DToPool(c); }, "listener"));
    EXPECT_FALSE(isTextureName(aName));
    EXPECT_EQ(p.currentPoolSize(), 800u);  // b and c, still listed
    EXPECT_TRUE(throwsWith<std::runtime_error>([&] { p.clear2DPool(); }, "listener"));
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_TRUE(callerIsCurrent());
    listener.throwOnFreed = false;

    // Still usable.
    OGL::Texture2D* d = p.getTexture2DFromPool(8, 8, RGBA8);
    p.returnTexture2DToPool(d);
    EXPECT_EQ(p.getTexture2DFromPool(8, 8, RGBA8), d);
    delete d;
    destroyPool();
}

}  // namespace
}  // namespace ZEV
