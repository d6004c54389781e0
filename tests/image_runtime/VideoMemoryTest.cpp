// The video memory configurations: their defaults, and a null listener
// standing for the global default one, which does nothing.
#include <gtest/gtest.h>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"

namespace ZEV {
namespace {

TEST(VideoMemoryTest, DefaultsAndTheNullListenerRuleOfBothConfigurations) {
    VideoMemory::VideoMemoryListener* const global =
        VideoMemory::Configuration::GlobalDefaultListener();
    global->impendingMemoryAllcation(0);
    global->memoryFreed(12345);
    VideoMemory::Configuration memory;
    TexturePool::Configuration pool;
    EXPECT_TRUE(memory.maximumTexturePoolSize() == 134217728u &&
                pool.maximumFreelistSize() == 134217728u && pool.context() == nullptr);
    VideoMemory::VideoMemoryListener own;
    memory.setVideoMemoryListener(&own);
    pool.setVideoMemoryListener(&own);
    EXPECT_TRUE(VideoMemory::Configuration(memory).videoMemoryListener() == &own &&
                TexturePool::Configuration(pool).videoMemoryListener() == &own);
    memory.setVideoMemoryListener(nullptr);
    pool.setVideoMemoryListener(nullptr);
    EXPECT_TRUE(memory.videoMemoryListener() == global && pool.videoMemoryListener() == global);
}

}  // namespace
}  // namespace ZEV
