// The do-nothing listener, the default listener object and the host-facing configuration.
#include "image_runtime/VideoMemory.h"

namespace ZEV::VideoMemory {

VideoMemoryListener::~VideoMemoryListener() = default;
void VideoMemoryListener::impendingMemoryAllcation(size_t) {}
void VideoMemoryListener::memoryFreed(size_t) {}
void VideoMemoryListener::memoryAllocated(size_t) {}

// A namespace-scope object: constructed while the library is loaded, before
// any host code can ask for it, and destroyed at unload.
VideoMemoryListener Configuration::goDefaultVideoMemoryListener_;

Configuration::Configuration()
    : nMaximumTexturePoolSize_(kDefaultMaximumPoolSize),
      pVideoMemoryListener_(GlobalDefaultListener()) {}

void Configuration::setVideoMemoryListener(VideoMemoryListener* listener) {
    pVideoMemoryListener_ = listener ? listener : GlobalDefaultListener();
}

VideoMemoryListener* Configuration::GlobalDefaultListener() {
    return &goDefaultVideoMemoryListener_;
}

}  // namespace ZEV::VideoMemory
