// The texture pool's limit: eviction passes down to the low-water mark, the
// zero limit, and the four clear operations.
#include <gtest/gtest.h>

#include <vector>

#include "support/PoolFixture.h"

namespace ZEV {
namespace {

using Test::isTexture;
using Test::isTextureName;
using Test::PoolTest;
using Test::RecordingListener;
constexpr auto RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;
constexpr auto FREED = RecordingListener::FREED;

class TexturePoolEvictionTest : public PoolTest {
protected:
    // New 2D textures of w x 1 RGBA8 (4 w bytes), made by the pool itself.
    std::vector<OGL::Texture2D*> make2D(size_t count, unsigned int width) {
        std::vector<OGL::Texture2D*> textures;
        textures.reserve(count);
        for (size_t n = 0; n < count; ++n)
            textures.push_back(pool().getTexture2DFromPool(width, 1, RGBA8));
        return textures;
    }
    std::vector<RecordingListener::Event> freedEvents() const {
        std::vector<RecordingListener::Event> freed;
        for (const auto& e : listener.events)
            if (e.kind == FREED) freed.push_back(e);
        return freed;
    }
};

TEST_F(TexturePoolEvictionTest, PassesDeleteTheEarliestGivenBackDownToThreeQuarters) {
    createPool(1000);
    std::vector<OGL::Texture2D*> t = make2D(4, 75);  // 300 bytes each
    std::vector<unsigned int> names;
    names.reserve(t.size());
    for (auto* texture : t) names.push_back(texture->objectID());

    for (int n = 0; n < 3; ++n) pool().returnTexture2DToPool(t[n]);
    EXPECT_EQ(pool().currentPoolSize(), 900u);
    EXPECT_TRUE(freedEvents().empty());

    // 1200 >= 1000: the first pass leaves 900 > 750, the second 600.
    pool().returnTexture2DToPool(t[3]);
    EXPECT_EQ(pool().currentPoolSize(), 600u);
    EXPECT_EQ(freedEvents(),
              (std::vector<RecordingListener::Event>{RecordingListener::event(FREED, 300),
                                                     RecordingListener::event(FREED, 300)}));
    EXPECT_FALSE(isTextureName(names[0]));
    EXPECT_FALSE(isTextureName(names[1]));
    EXPECT_TRUE(isTexture(t[2]));
    EXPECT_TRUE(isTexture(t[3]));

    // Reaching the limit exactly is enough; the low-water mark is 450.
    listener.events.clear();
    pool().setMaximumPoolSize(600);
    EXPECT_EQ(pool().currentPoolSize(), 300u);
    EXPECT_EQ(freedEvents(),
              (std::vector<RecordingListener::Event>{RecordingListener::event(FREED, 300)}));
    EXPECT_FALSE(isTextureName(names[2]));
    EXPECT_EQ(pool().getTexture2DFromPool(75, 1, RGBA8), t[3]);
    EXPECT_EQ(pool().maximumPoolSize(), 600u);
    delete t[3];
    destroyPool();
}

TEST_F(TexturePoolEvictionTest, LowWaterMarkIsThreeQuartersRoundedDown) {
    // Limit 1003: the mark is 752 (3 * 1003 / 4 = 752.25), not 750.
    createPool(1003);
    OGL::Texture2D* first = pool().getTexture2DFromPool(63, 1, RGBA8);    // 252 bytes
    OGL::Texture2D* second = pool().getTexture2DFromPool(188, 1, RGBA8);  // 752 bytes
    pool().returnTexture2DToPool(first);
    pool().returnTexture2DToPool(second);  // 1004: one pass leaves exactly 752
    EXPECT_EQ(pool().currentPoolSize(), 752u);
    EXPECT_TRUE(isTexture(second));
    destroyPool();
}

TEST_F(TexturePoolEvictionTest, OnePassTakesOneOfEachKindInKindOrder) {
    createPool(1024);  // four textures of 256 bytes
    OGL::Texture1D* line = pool().getTexture1DFromPool(64, RGBA8);
    OGL::Texture2D* plane = pool().getTexture2DFromPool(8, 8, RGBA8);
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
    EXPECT_EQ(freedEvents(),
              (std::vector<RecordingListener::Event>{RecordingListener::event(FREED, 256)}));
    for (unsigned int name : names) EXPECT_FALSE(isTextureName(name));
    EXPECT_EQ(pool().currentPoolSize(), 0u);

    // Without 2D textures every pass still reports, with 0 bytes.
    listener.onFreed = nullptr;
    listener.events.clear();
    pool().setMaximumPoolSize(800);
    OGL::Texture1D* a = pool().getTexture1DFromPool(100, RGBA8);  // 400 bytes
    OGL::Texture1D* b = pool().getTexture1DFromPool(100, RGBA8);
    pool().returnTexture1DToPool(a);
    pool().returnTexture1DToPool(b);
    EXPECT_EQ(freedEvents(),
              (std::vector<RecordingListener::Event>{RecordingListener::event(FREED, 0)}));
    EXPECT_EQ(pool().currentPoolSize(), 400u);
    destroyPool();
}

TEST_F(TexturePoolEvictionTest, ZeroLimitDeletesEveryFreeTextureAndEveryLaterGiveBack) {
    createPool();
    std::vector<OGL::Texture2D*> planes = make2D(3, 16);
    OGL::Texture3D* volume = pool().getTexture3DFromPool(2, 2, 2, RGBA8);
    OGL::Texture2D* kept = planes.back();
    planes.pop_back();
    for (auto* texture : planes) pool().returnTexture2DToPool(texture);
    pool().returnTexture3DToPool(volume);
    listener.events.clear();

    pool().setMaximumPoolSize(0);
    EXPECT_EQ(pool().currentPoolSize(), 0u);
    EXPECT_EQ(freedEvents().size(), 2u);  // two passes: one for each 2D texture

    const unsigned int keptName = kept->objectID();
    pool().returnTexture2DToPool(kept);
    EXPECT_FALSE(isTextureName(keptName));
    EXPECT_EQ(pool().currentPoolSize(), 0u);
    EXPECT_EQ(freedEvents().back(), RecordingListener::event(FREED, 64));

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
    };
    fill();
    ASSERT_EQ(p.currentPoolSize(), (16u + 16u + 8u + 16u + 16u) * 4u);
    listener.events.clear();

    p.clear1DPool();
    EXPECT_EQ(p.currentPoolSize(), 56u * 4u);
    p.clear3DPool();
    p.clearRECTPool();
    EXPECT_EQ(p.currentPoolSize(), 24u * 4u);
    EXPECT_TRUE(listener.events.empty());
    EXPECT_TRUE(callerIsCurrent());

    OGL::Texture2D* probe = p.getTexture2DFromPool(2, 4, RGBA8);
    const unsigned int probeName = probe->objectID();
    p.returnTexture2DToPool(probe);
    listener.events.clear();
    p.clear2DPool();
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_FALSE(isTextureName(probeName));
    EXPECT_EQ(listener.events,
              (std::vector<RecordingListener::Event>{RecordingListener::event(FREED, 96)}));
    p.clear2DPool();  // empty: still reports, with 0 bytes
    EXPECT_EQ(listener.events.back(), RecordingListener::event(FREED, 0));
    EXPECT_EQ(listener.events.size(), 2u);
    EXPECT_TRUE(callerIsCurrent());

    fill();
    listener.events.clear();
    p.clearAll();
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_EQ(listener.events,
              (std::vector<RecordingListener::Event>{RecordingListener::event(FREED, 96)}));
    EXPECT_EQ(p.maximumPoolSize(), VideoMemory::kDefaultMaximumPoolSize);
    EXPECT_TRUE(callerIsCurrent());
    destroyPool();
}

}  // namespace
}  // namespace ZEV
