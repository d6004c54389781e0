// The video memory configurations and the default listener: defaults, the
// null-listener rule and value copying.
#include <gtest/gtest.h>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"
#include "zev_ogl/Context.h"

namespace ZEV {
namespace {

using VideoMemory::Configuration;
using VideoMemory::VideoMemoryListener;

// A context that is only stored and compared.
class StoredContext : public OGL::Context {
public:
    void makeCurrent() override {}
};

TEST(VideoMemoryTest, DefaultsAndTheNullListenerRuleOfBothConfigurations) {
    VideoMemoryListener* const global = Configuration::GlobalDefaultListener();
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(global, Configuration::GlobalDefaultListener());
    // The default listener does nothing, whatever it is told.
    global->impendingMemoryAllcation(0);
    global->memoryAllocated(~size_t(0));
    global->memoryFreed(12345);

    Configuration memory;
    EXPECT_EQ(memory.maximumTexturePoolSize(), 134217728u);
    EXPECT_EQ(memory.videoMemoryListener(), global);
    TexturePool::Configuration pool;
    EXPECT_EQ(pool.maximumFreelistSize(), 134217728u);
    EXPECT_EQ(pool.videoMemoryListener(), global);
    EXPECT_EQ(pool.context(), nullptr);

    VideoMemoryListener own;
    memory.setVideoMemoryListener(&own);
    pool.setVideoMemoryListener(&own);
    EXPECT_EQ(pool.videoMemoryListener(), &own);
    memory.setVideoMemoryListener(nullptr);
    pool.setVideoMemoryListener(nullptr);
    EXPECT_EQ(memory.videoMemoryListener(), global);
    EXPECT_EQ(pool.videoMemoryListener(), global);
}

TEST(VideoMemoryTest, CopiesCarryEveryField) {
    VideoMemoryListener own;
    StoredContext context;
    TexturePool::Configuration pool;
    pool.setMaximumFreelistSize(777);
    pool.setVideoMemoryListener(&own);
    pool.setContext(&context);
    TexturePool::Configuration assigned;
    assigned = pool;
    for (const TexturePool::Configuration& c : {TexturePool::Configuration(pool), assigned}) {
        EXPECT_EQ(c.maximumFreelistSize(), 777u);
        EXPECT_EQ(c.videoMemoryListener(), &own);
        EXPECT_EQ(c.context(), &context);
    }

    Configuration memory;
    memory.setMaximumTexturePoolSize(4242);
    memory.setVideoMemoryListener(&own);
    Configuration memoryAssigned;
    memoryAssigned = memory;
    for (const Configuration& c : {Configuration(memory), memoryAssigned}) {
        EXPECT_EQ(c.maximumTexturePoolSize(), 4242u);
        EXPECT_EQ(c.videoMemoryListener(), &own);
    }
}

}  // namespace
}  // namespace ZEV
