// Video memory counts.
#include "CountingListener.h"

namespace ZevFilter {

void CountingListener::impendingMemoryAllcation(size_t bytes) { bytesAnnounced_ += bytes; }

void CountingListener::memoryAllocated(size_t bytes) {
    ++texturesAllocated_;
    bytesAllocated_ += bytes;
}

void CountingListener::memoryFreed(size_t bytes) {
    if (bytes == 0) return;
    ++texturesFreed_;
    bytesFreed_ += bytes;
}

}  // namespace ZevFilter
