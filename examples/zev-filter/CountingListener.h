// The host's video memory listener: adds up the bytes of the 2D textures
// that the texture pool allocates and frees, for the summary (the pool
// counts textures itself, but reports bytes only here).
#pragma once

#include <cstddef>

#include "image_runtime/VideoMemory.h"

namespace ZevFilter {

class CountingListener : public ZEV::VideoMemory::VideoMemoryListener {
public:
    void memoryAllocated(size_t bytes) override { bytesAllocated_ += bytes; }
    void memoryFreed(size_t bytes) override { bytesFreed_ += bytes; }

    size_t bytesAllocated() const { return bytesAllocated_; }
    size_t bytesFreed() const { return bytesFreed_; }

private:
    size_t bytesAllocated_ = 0;
    size_t bytesFreed_ = 0;
};

}  // namespace ZevFilter
