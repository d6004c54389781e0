// The video memory configurations: their defaults and the rule that a null
// listener stands for the global default one, which does nothing.
#include <gtest/gtest.h>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"

namespace ZEV {
namespace {

using VideoMemory::Configuration;
using VideoMemory::VideoMemoryListener;

TEST(VideoMemoryTest, DefaultsAndTheNullListenerRuleOfBothConfigurations) {
    VideoMemoryListener* const global = Configuration::GlobalDefaultListener();
    ASSERT_NE(global, nullptr);
    global->impendingMemoryAllcation(0);
    global->memoryAllocated(~size_t(0));
    global->memoryFreed(12345);
    Configuration memory;
    TexturePool::Configuration pool;
    EXPECT_EQ(memory.maximumTexturePoolSize(), 134217728u);
    EXPECT_EQ(pool.maximumFreelistSize(), 134217728u);
    EXPECT_EQ(pool.context(), nullptr);
    EXPECT_TRUE(memory.videoMemoryListener() == global && pool.videoMemoryListener() == global);
    VideoMemoryListener own;
    memory.setVideoMemoryListener(&own);
    pool.setVideoMemoryListener(&own);
    EXPECT_EQ(Configuration(memory).videoMemoryListener(), &own);
    EXPECT_EQ(TexturePool::Configuration(pool).videoMemoryListener(), &own);
    memory.setVideoMemoryListener(nullptr);
    pool.setVideoMemoryListener(nullptr);
    EXPECT_TRUE(memory.videoMemoryListener() == global && pool.videoMemoryListener() == global);
}

}  // namespace
}  // namespace ZEV
