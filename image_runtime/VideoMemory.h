// The host's settings for the runtime's use of video memory and the listener
// through which the host hears of the texture pool's allocations and frees.
#pragma once

#include <cstddef>

#include "zev_core/Export.h"

namespace ZEV::VideoMemory {

/// Told before and after the texture pool creates a 2D texture and when it
/// deletes pooled 2D textures. This class does nothing; hosts derive from it.
/// The calls come from inside the pool's functions, on their thread, and
/// whatever a call throws leaves that function.
class ZEV_API VideoMemoryListener {
public:
    VideoMemoryListener() = default;
    VideoMemoryListener(const VideoMemoryListener&) = default;
    VideoMemoryListener& operator=(const VideoMemoryListener&) = default;
    virtual ~VideoMemoryListener();

    /// Before a new 2D texture of that many bytes is created.
    virtual void impendingMemoryAllcation(size_t bytes);
    /// After 2D textures were evicted or cleared, with their bytes (possibly 0).
    virtual void memoryFreed(size_t bytes);
    /// After a new 2D texture was created, with its bytes.
    virtual void memoryAllocated(size_t bytes);
};

/// The host-facing pair of settings: the pool's byte limit and the listener.
class ZEV_API Configuration {
public:
    Configuration();

    size_t maximumTexturePoolSize() const { return nMaximumTexturePoolSize_; }
    void setMaximumTexturePoolSize(size_t bytes) { nMaximumTexturePoolSize_ = bytes; }

    /// Never null: a null listener stands for the library's default one.
    /// The listener is borrowed, not owned.
    ///@{
    VideoMemoryListener* videoMemoryListener() const { return pVideoMemoryListener_; }
    void setVideoMemoryListener(VideoMemoryListener* listener);
    ///@}

    /// The library's own listener, alive from load to unload.
    static VideoMemoryListener* GlobalDefaultListener();

private:
    size_t nMaximumTexturePoolSize_;
    VideoMemoryListener* pVideoMemoryListener_;

    static VideoMemoryListener goDefaultVideoMemoryListener_;
};

/// 128 MiB, the default limit of both configurations.
constexpr size_t kDefaultMaximumPoolSize = 134217728;

}  // namespace ZEV::VideoMemory
