// The host's video memory listener: counts the texture pool's allocations
// and frees of 2D textures, for the summary.
#pragma once

#include <cstddef>

#include "image_runtime/VideoMemory.h"

namespace ZevFilter {

class CountingListener : public ZEV::VideoMemory::VideoMemoryListener {
public:
    void impendingMemoryAllcation(size_t bytes) override;
    void memoryAllocated(size_t bytes) override;
    // The pool reports each evicted texture on its own, and a cleared free
    // list as one total. This host never clears a free list (it empties the
    // pool through its limit), so each report of more than 0 bytes is one
    // texture.
    void memoryFreed(size_t bytes) override;

    size_t texturesAllocated() const { return texturesAllocated_; }
    size_t bytesAllocated() const { return bytesAllocated_; }
    size_t bytesAnnounced() const { return bytesAnnounced_; }
    size_t texturesFreed() const { return texturesFreed_; }
    size_t bytesFreed() const { return bytesFreed_; }

private:
    size_t texturesAllocated_ = 0;
    size_t bytesAllocated_ = 0;
    size_t bytesAnnounced_ = 0;
    size_t texturesFreed_ = 0;
    size_t bytesFreed_ = 0;
};

}  // namespace ZevFilter
