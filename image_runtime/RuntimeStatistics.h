// What the texture pool and the shader manager have done since they were
// created: plain counts, handed out by value through
// TexturePool::statistics() and ShaderManagerOGL::Statistics(). The counts
// are kept beside the two singletons rather than in them, so the classes
// keep the layout that hosts compile against. Each count starts at zero
// when its singleton is created and stays readable after it is destroyed,
// until the next one is created.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZEV {

/// What TexturePool::statistics() returns.
struct TexturePoolStatistics {
    /// Requests for one kind of texture: a hit is served from the free list,
    /// a miss creates a new texture.
    struct Requests {
        uint64_t hits = 0;
        uint64_t misses = 0;
    };
    Requests texture1D;
    Requests texture2D;
    Requests texture3D;
    Requests textureRECT;
    /// Free textures that the pool deleted to stay within its byte limit,
    /// and their bytes. Clearing and destroying the pool are not counted.
    ///@{
    uint64_t texturesEvicted = 0;
    uint64_t bytesEvicted = 0;
    ///@}
    /// The most bytes the free lists held once a give-back had been dealt
    /// with (after any eviction it caused).
    size_t peakFreeListBytes = 0;
};

/// What ShaderManagerOGL::Statistics() returns.
struct ShaderManagerStatistics {
    /// Programs whose compile and link completed, of any proxy.
    uint64_t programsBuilt = 0;
    /// Of those, builds for a proxy whose previous program the manager had
    /// evicted.
    uint64_t programsRebuilt = 0;
    /// Programs the manager deleted because too many existed and they had
    /// been idle long enough. clearAll() and the proxies' own deletions are
    /// not counted.
    uint64_t programsEvicted = 0;
    /// Wall-clock seconds spent compiling and linking completed builds: in
    /// all, and the longest single build.
    ///@{
    double totalBuildSeconds = 0.0;
    double longestBuildSeconds = 0.0;
    ///@}
};

}  // namespace ZEV
