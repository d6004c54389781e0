// The texture pool's limit: eviction passes down to the low-water mark, the
// zero limit, and the four clear operations.
#include <gtest/gtest.h>

#include <vector>

#include "support/PoolFixture.h"

namespace ZEV {
namespace {

using namespace Test;
constexpr auto RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;

class TexturePoolEvictionTest : public PoolTest {
protected:
    // A new w x 1 RGBA8 texture (4 w bytes) of the pool's, the listener's
    // record of its creation dropped.
    OGL::Texture2D* make2D(unsigned int width) {
        OGL::Texture2D* texture = pool().getTexture2DFromPool(width, 1, RGBA8);
        listener.events.clear();
        return texture;
    }
};

TEST_F(TexturePoolEvictionTest, PassesDeleteTheEarliestGivenBackDownToThreeQuarters) {
    createPool(1000);
    OGL::Texture2D* t[4];
    unsigned int names[4];
    for (int n = 0; n < 4; ++n) names[n] = (t[n] = make2D(75))->objectID();  // 300 bytes each

    for (int n = 0; n < 3; ++n) pool().returnTexture2DToPool(t[n]);
    EXPECT_EQ(pool().currentPoolSize(), 900u);
    EXPECT_TRUE(listener.events.empty());

    // 1200 >= 1000: the first pass leaves 900 > 750, the second 600.
    pool().returnTexture2DToPool(t[3]);
    EXPECT_EQ(pool().currentPoolSize(), 600u);
    EXPECT_EQ(listener.events, (Events{freed(300), freed(300)}));
    EXPECT_FALSE(isTextureName(names[0]) || isTextureName(names[1]));
    EXPECT_TRUE(isTexture(t[2]) && isTexture(t[3]));

    // Reaching the limit exactly is enough; the low-water mark is 450.
    listener.events.clear();
    pool().setMaximumPoolSize(600);
    EXPECT_EQ(pool().currentPoolSize(), 300u);
    EXPECT_EQ(listener.events, (Events{freed(300)}));
    EXPECT_FALSE(isTextureName(names[2]));
    EXPECT_EQ(pool().getTexture2DFromPool(75, 1, RGBA8), t[3]);
    delete t[3];

    // Limit 1003: the mark is 752 (3 * 1003 / 4 = 752.25), not 750.
    pool().setMaximumPoolSize(1003);
    OGL::Texture2D* first = make2D(63);    // 252 bytes
    OGL::Texture2D* second = make2D(188);  // 752 bytes
    pool().returnTexture2DToPool(first);
    pool().returnTexture2DToPool(second);  // 1004: one pass leaves exactly 752
    EXPECT_EQ(pool().currentPoolSize(), 752u);
    EXPECT_TRUE(isTexture(second));
    destroyPool();
}

TEST_F(TexturePoolEvictionTest, OnePassTakesOneOfEachKindInKindOrder) {
    createPool(1024);  // four textures of 256 bytes
    OGL::Texture1D* line = pool().getTexture1DFromPool(64, RGBA8);
    OGL::Texture2D* plane = make2D(64);
    OGL::Texture3D* volume = pool().getTexture3DFromPool(4, 4, 4, RGBA8);
    OGL::TextureRECT* rect = pool().getTextureRECTFromPool(8, 8, RGBA8);
    const unsigned int names[] = {line->objectID(), plane->objectID(), volume->objectID(),
                                  rect->objectID()};
    std::vector<bool> aliveAtFreed;
    listener.onFreed = [&] {
        for (unsigned int name : names) aliveAtFreed.push_back(isTextureName(name));
    };
    // Given back in reverse kind order; the limit is reached with the last one.
    pool().returnTextureRECTToPool(rect);
    pool().returnTexture3DToPool(volume);
    pool().returnTexture2DToPool(plane);
    EXPECT_TRUE(aliveAtFreed.empty());
    pool().returnTexture1DToPool(line);

    // 1D and 2D were gone when the listener heard of the 2D bytes; 3D and
    // rectangle followed in the same pass.
    EXPECT_EQ(aliveAtFreed, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(listener.events, (Events{freed(256)}));
    for (unsigned int name : names) EXPECT_FALSE(isTextureName(name));
    EXPECT_EQ(pool().currentPoolSize(), 0u);

    // Without 2D textures every pass still reports, with 0 bytes.
    listener.onFreed = nullptr;
    listener.events.clear();
    pool().setMaximumPoolSize(800);
    OGL::Texture1D* pair[] = {pool().getTexture1DFromPool(100, RGBA8),  // 400 bytes each
                              pool().getTexture1DFromPool(100, RGBA8)};
    for (OGL::Texture1D* texture : pair) pool().returnTexture1DToPool(texture);
    EXPECT_EQ(listener.events, (Events{freed(0)}));
    EXPECT_EQ(pool().currentPoolSize(), 400u);
    destroyPool();
}

TEST_F(TexturePoolEvictionTest, ZeroLimitDeletesEveryFreeTextureAndEveryLaterGiveBack) {
    createPool();
    OGL::Texture2D* planes[] = {make2D(16), make2D(16), make2D(16)};
    OGL::Texture3D* volume = pool().getTexture3DFromPool(2, 2, 2, RGBA8);
    pool().returnTexture2DToPool(planes[0]);
    pool().returnTexture2DToPool(planes[1]);
    pool().returnTexture3DToPool(volume);

    pool().setMaximumPoolSize(0);
    EXPECT_EQ(pool().currentPoolSize(), 0u);
    EXPECT_EQ(listener.events, (Events{freed(64), freed(64)}));  // one pass per 2D texture

    const unsigned int keptName = planes[2]->objectID();
    pool().returnTexture2DToPool(planes[2]);
    EXPECT_FALSE(isTextureName(keptName));
    EXPECT_EQ(pool().currentPoolSize(), 0u);
    EXPECT_EQ(listener.events.back(), freed(64));

    // Limit and bytes both 0: nothing to do, nothing thrown.
    listener.events.clear();
    pool().setMaximumPoolSize(0);
    EXPECT_TRUE(listener.events.empty());
    destroyPool();
}

TEST_F(TexturePoolEvictionTest, ClearOperationsEmptyOneListEachInThePoolContext) {
    createPool();
    TexturePool& p = pool();
    auto fill = [&] {
        p.returnTexture1DToPool(p.getTexture1DFromPool(16, RGBA8));
        p.returnTexture2DToPool(p.getTexture2DFromPool(4, 4, RGBA8));
        p.returnTexture2DToPool(p.getTexture2DFromPool(2, 4, RGBA8));
        p.returnTexture3DToPool(p.getTexture3DFromPool(2, 2, 4, RGBA8));
        p.returnTextureRECTToPool(p.getTextureRECTFromPool(4, 4, RGBA8));
        listener.events.clear();
    };
    fill();
    ASSERT_EQ(p.currentPoolSize(), (16u + 16u + 8u + 16u + 16u) * 4u);
    p.clear1DPool();
    EXPECT_EQ(p.currentPoolSize(), 56u * 4u);
    p.clear3DPool();
    EXPECT_EQ(p.currentPoolSize(), 40u * 4u);
    p.clearRECTPool();
    EXPECT_EQ(p.currentPoolSize(), 24u * 4u);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_TRUE(callerIsCurrent());

    OGL::Texture2D* probe = p.getTexture2DFromPool(2, 4, RGBA8);
    const unsigned int probeName = probe->objectID();
    p.returnTexture2DToPool(probe);
    p.clear2DPool();
    p.clear2DPool();  // empty: still reports, with 0 bytes
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_FALSE(isTextureName(probeName));
    EXPECT_EQ(listener.events, (Events{freed(96), freed(0)}));
    EXPECT_TRUE(callerIsCurrent());

    fill();
    p.clearAll();
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_EQ(listener.events, (Events{freed(96)}));
    EXPECT_EQ(p.maximumPoolSize(), kDefaultLimit);
    EXPECT_TRUE(callerIsCurrent());
    destroyPool();
}

}  // namespace
}  // namespace ZEV
