// The texture pool's counts after a known sequence of requests and give-backs.
#include "support/PoolFixture.h"

namespace ZEV {
namespace {

using namespace Test;
constexpr auto RGBA8 = OGL::Texture::INTERNAL_FORMAT_RGBA8;
constexpr uint64_t kBytes = 256;  // of each texture below

TEST_F(PoolTest, StatisticsCountByKindAndOutliveThePool) {
    createPool(8 * kBytes);
    const auto cycle = [](auto get, auto giveBack) {  // a miss, a hit, a miss
        giveBack(get());
        auto* const reused = get();
        giveBack(get());
        giveBack(reused);
    };
    cycle([&] { return pool().getTexture1DFromPool(64, RGBA8); },
          [&](OGL::Texture1D* t) { pool().returnTexture1DToPool(t); });
    cycle([&] { return pool().getTexture2DFromPool(8, 8, RGBA8); },
          [&](OGL::Texture2D* t) { pool().returnTexture2DToPool(t); });
    cycle([&] { return pool().getTexture3DFromPool(8, 8, 1, RGBA8); },
          [&](OGL::Texture3D* t) { pool().returnTexture3DToPool(t); });
    cycle([&] { return pool().getTextureRECTFromPool(8, 8, RGBA8); },
          [&](OGL::TextureRECT* t) { pool().returnTextureRECTToPool(t); });
    pool().clearAll();  // clearing is no eviction
    destroyPool();
    const TexturePoolStatistics counts = TexturePool::statistics();
    for (const auto& kind :
         {counts.texture1D, counts.texture2D, counts.texture3D, counts.textureRECT})
        EXPECT_EQ(std::make_pair(kind.hits, kind.misses), std::make_pair(1ul, 2ul));
    // The eighth give-back reached the limit: one pass took the earliest of each kind.
    EXPECT_EQ(std::make_pair(counts.texturesEvicted, counts.bytesEvicted),
              std::make_pair(4ul, 4 * kBytes));
    EXPECT_EQ(counts.peakFreeListBytes, 7 * kBytes);
    createPool();
    EXPECT_EQ(TexturePool::statistics().texture2D.misses, 0u);
    destroyPool();
}

}  // namespace
}  // namespace ZEV
