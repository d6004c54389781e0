// Thousands of random gets, give-backs (some twice), limit changes, clears
// and direct deletions against a plain model of the four free lists: after
// every step the pool's byte count, the texture handed out, the textures
// deleted and the listener traffic, and at the end the statistics, must be
// what the model predicts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using namespace Test;
using Format = OGL::Texture::InternalFormat;

enum Kind { K1D, K2D, K3D, KRECT };

struct Entry {
    OGL::Texture* texture;
    Kind kind;
    size_t width, height, depth;
    Format format;
    size_t bytes;
    bool sameShape(const Entry& o) const {
        return width == o.width && height == o.height && depth == o.depth && format == o.format;
    }
};

unsigned int roundUp(unsigned int n) {
    unsigned int p = 1;
    while (p < n) p <<= 1;
    return p;
}

class TexturePoolModelTest : public PoolTest {
protected:
    // Sizes rounded up to powers of two let requests of different sizes share textures.
    void run(unsigned int seed, int steps) {
        random_.seed(seed);
        createPool(limit_, true);
        for (int step = 0; step < steps && !HasFatalFailure(); ++step) {
            SCOPED_TRACE(step);
            deletedNames_.clear();
            const unsigned int dice = random_() % 100;
            if (dice < 45 && held_.size() < 40) {
                get();
            } else if (dice < 85) {
                giveBack();
            } else if (dice < 90) {
                static const size_t limits[] = {0, 500, 1003, 3000, 3000, 10000, 1u << 30};
                limit_ = limits[random_() % 7];
                const Events passes = enforce();
                pool().setMaximumPoolSize(limit_);
                expectEvents(passes);
            } else if (dice < 95) {
                clear();
            } else if (!held_.empty()) {  // the caller deletes a texture of its own
                const size_t index = random_() % held_.size();
                delete held_[index].texture;
                held_.erase(held_.begin() + static_cast<std::ptrdiff_t>(index));
            }
            ASSERT_EQ(pool().currentPoolSize(), modelBytes());
            for (unsigned int name : deletedNames_) ASSERT_FALSE(isTextureName(name));
        }
        for (const Entry& e : held_) delete e.texture;
        held_.clear();
        destroyPool();
        const TexturePoolStatistics s = TexturePool::statistics();
        const TexturePoolStatistics::Requests requests[] = {s.texture1D, s.texture2D, s.texture3D,
                                                            s.textureRECT};
        for (int kind = 0; kind < 4; ++kind)
            EXPECT_EQ(std::make_pair(requests[kind].hits, requests[kind].misses),
                      std::make_pair(hits_[kind], misses_[kind]));
        EXPECT_EQ(std::make_tuple(s.texturesEvicted, s.bytesEvicted, s.peakFreeListBytes),
                  std::make_tuple(evicted_, bytesEvicted_, peak_));
        createPool();  // a new pool counts afresh
        EXPECT_EQ(TexturePool::statistics().texture2D.misses, 0u);
        destroyPool();
    }

private:
    void get() {
        // Few sizes and formats, so that lists often hold equal textures.
        static const Format formats[] = {OGL::Texture::INTERNAL_FORMAT_RGBA16F,
                                         OGL::Texture::INTERNAL_FORMAT_LUMINANCE8};
        const Kind kind = static_cast<Kind>(random_() % 4);
        const Format format = formats[random_() % 2];
        const unsigned int w = 1 + random_() % 3, h = 1 + random_() % 3, d = 1 + random_() % 2;
        auto round = [&](unsigned int n) { return kind != KRECT ? roundUp(n) : n; };
        Entry want{nullptr, kind, round(w), kind == K1D ? 1 : round(h), kind == K3D ? round(d) : 1,
                   format,  0};
        want.bytes = OGL::Texture::SizeInBytes(format, want.width, want.height, want.depth);

        auto& list = lists_[kind];
        const auto found = std::find_if(list.begin(), list.end(),
                                        [&](const Entry& e) { return e.sameShape(want); });
        OGL::Texture* expected = found == list.end() ? nullptr : found->texture;
        if (found != list.end()) list.erase(found);
        ++(expected ? hits_ : misses_)[kind];

        TexturePool& p = pool();
        switch (kind) {
            case K1D: want.texture = p.getTexture1DFromPool(w, format); break;
            case K2D: want.texture = p.getTexture2DFromPool(w, h, format); break;
            case K3D: want.texture = p.getTexture3DFromPool(w, h, d, format); break;
            case KRECT: want.texture = p.getTextureRECTFromPool(w, h, format); break;
        }
        ASSERT_TRUE(!expected || want.texture == expected);  // a hit takes the earliest match
        const OGL::Texture& t = *want.texture;
        ASSERT_TRUE(want.sameShape(
            {nullptr, kind, t.width(0), t.height(0), t.depth(0), t.format(), want.bytes}));
        ASSERT_TRUE(callerIsCurrent());

        if (kind == K2D) {
            auto* plane = static_cast<OGL::Texture2D*>(want.texture);
            if (want.width != w || want.height != h) {
                // Red only: luminance textures read back with an alpha of 1.
                const std::vector<float> texels =
                    readTexture2D(plane->objectID(), want.width, want.height);
                for (size_t n = 0; n < texels.size(); n += 4) ASSERT_EQ(texels[n], 0.0f);
            }
            fillTexture(plane, 200);  // so that a missed clear would show
            if (!expected) expectEvents({{IMPENDING, want.bytes}, {ALLOCATED, want.bytes}});
        }
        held_.push_back(want);
    }

    void giveBack() {
        if (held_.empty()) return;
        const auto at = held_.begin() + static_cast<std::ptrdiff_t>(random_() % held_.size());
        const Entry e = *at;
        held_.erase(at);
        lists_[e.kind].push_back(e);
        const Events passes = enforce();
        returnToPool(e);
        expectEvents(passes);
        peak_ = std::max(peak_, modelBytes());
        // A second give-back of a listed texture is refused and changes nothing.
        const auto& list = lists_[e.kind];
        const auto listed = [&](const Entry& l) { return l.texture == e.texture; };
        if (random_() % 4 == 0 && std::any_of(list.begin(), list.end(), listed)) {
            EXPECT_THROW(returnToPool(e), ParameterException);
        }
    }

    void returnToPool(const Entry& e) {
        TexturePool& p = pool();
        switch (e.kind) {
            case K1D: p.returnTexture1DToPool(static_cast<OGL::Texture1D*>(e.texture)); break;
            case K2D: p.returnTexture2DToPool(static_cast<OGL::Texture2D*>(e.texture)); break;
            case K3D: p.returnTexture3DToPool(static_cast<OGL::Texture3D*>(e.texture)); break;
            case KRECT: p.returnTextureRECTToPool(static_cast<OGL::TextureRECT*>(e.texture)); break;
        }
    }

    void clear() {
        const unsigned int which = random_() % 5;  // one list each, or all
        size_t freed2D = 0;
        for (unsigned int kind = 0; kind < 4; ++kind) {
            if (which != 4 && which != kind) continue;
            for (const Entry& e : lists_[kind]) {
                deletedNames_.push_back(e.texture->objectID());
                if (kind == K2D) freed2D += e.bytes;
            }
            lists_[kind].clear();
        }
        TexturePool& p = pool();
        switch (which) {
            case 0: p.clear1DPool(); break;
            case 1: p.clear2DPool(); break;
            case 2: p.clear3DPool(); break;
            case 3: p.clearRECTPool(); break;
            default: p.clearAll(); break;
        }
        ASSERT_TRUE(callerIsCurrent());
        expectEvents(which == 1 || which == 4 ? Events{{FREED, freed2D}} : Events{});
    }

    // Applies the limit to the model; returns the listener traffic it predicts.
    Events enforce() {
        Events passes;
        size_t bytes = modelBytes();
        if (bytes < limit_) return passes;
        while (bytes > 3 * limit_ / 4) {
            size_t freed2D = 0;
            for (auto& list : lists_) {
                if (list.empty()) continue;
                const Entry e = list.front();
                list.pop_front();
                bytes -= e.bytes;
                ++evicted_;
                bytesEvicted_ += e.bytes;
                deletedNames_.push_back(e.texture->objectID());
                if (e.kind == K2D) freed2D = e.bytes;
            }
            passes.push_back({FREED, freed2D});
        }
        return passes;
    }

    void expectEvents(const Events& expected) {
        ASSERT_EQ(listener.events, expected);
        listener.events.clear();
    }
    size_t modelBytes() const {
        size_t total = 0;
        for (const auto& list : lists_)
            for (const Entry& e : list) total += e.bytes;
        return total;
    }

    std::mt19937 random_;
    size_t limit_ = 3000;
    std::array<std::deque<Entry>, 4> lists_;
    std::vector<Entry> held_;
    std::vector<unsigned int> deletedNames_;  // deleted by the pool in the current step
    std::array<uint64_t, 4> hits_{}, misses_{};
    uint64_t evicted_ = 0, bytesEvicted_ = 0;
    size_t peak_ = 0;
};

TEST_F(TexturePoolModelTest, PowerOfTwoSizesAgreeWithTheModel) { run(67890, 3000); }

}  // namespace
}  // namespace ZEV
