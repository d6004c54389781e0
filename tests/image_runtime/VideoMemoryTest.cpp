// The video memory configurations: their default limit, and a null
// listener standing for the library's default one.
#include <gtest/gtest.h>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"

namespace ZEV {
namespace {

TEST(VideoMemoryTest, ANullListenerStandsForTheDefaultOneInBothConfigurations) {
    VideoMemory::VideoMemoryListener* const global =
        VideoMemory::Configuration::GlobalDefaultListener();
    VideoMemory::Configuration memory;
    TexturePool::Configuration pool;
    EXPECT_TRUE(memory.maximumTexturePoolSize() == 134217728u &&
                pool.maximumFreelistSize() == 134217728u && memory.videoMemoryListener() == global);
    VideoMemory::VideoMemoryListener own;  // the pool's tests set their own listener
    memory.setVideoMemoryListener(&own);
    EXPECT_EQ(memory.videoMemoryListener(), &own);
    memory.setVideoMemoryListener(nullptr);
    pool.setVideoMemoryListener(nullptr);
    EXPECT_TRUE(memory.videoMemoryListener() == global && pool.videoMemoryListener() == global);
}

}  // namespace
}  // namespace ZEV
