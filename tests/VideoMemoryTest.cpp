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

TEST(VideoMemoryTest, DefaultsOfBothConfigurations) {
    VideoMemoryListener* const global = Configuration::GlobalDefaultListener();
    ASSERT_NE(global, nullptr);
    EXPECT_EQ(global, Configuration::GlobalDefaultListener());

    const Configuration memory;
    EXPECT_EQ(memory.maximumTexturePoolSize(), 134217728u);
    EXPECT_EQ(memory.videoMemoryListener(), global);

    const TexturePool::Configuration pool;
    EXPECT_EQ(pool.maximumFreelistSize(), 134217728u);
    EXPECT_EQ(pool.videoMemoryListener(), global);
    EXPECT_EQ(pool.context(), nullptr);

    // The default listener does nothing, whatever it is told.
    global->impendingMemoryAllcation(0);
    global->memoryAllocated(~size_t(0));
    global->memoryFreed(12345);
}

TEST(VideoMemoryTest, NullListenerStandsForTheDefaultAndValuesAreStoredUnchanged) {
    VideoMemoryListener own;
    Configuration memory;
    memory.setVideoMemoryListener(&own);
    EXPECT_EQ(memory.videoMemoryListener(), &own);
    memory.setVideoMemoryListener(nullptr);
    EXPECT_EQ(memory.videoMemoryListener(), Configuration::GlobalDefaultListener());
    memory.setMaximumTexturePoolSize(0);
    EXPECT_EQ(memory.maximumTexturePoolSize(), 0u);

    TexturePool::Configuration pool;
    pool.setVideoMemoryListener(&own);
    EXPECT_EQ(pool.videoMemoryListener(), &own);
    pool.setVideoMemoryListener(nullptr);
    EXPECT_EQ(pool.videoMemoryListener(), Configuration::GlobalDefaultListener());
    pool.setMaximumFreelistSize(0);
    EXPECT_EQ(pool.maximumFreelistSize(), 0u);
    pool.setContext(nullptr);
    EXPECT_EQ(pool.context(), nullptr);
}

TEST(VideoMemoryTest, CopiesCarryEveryField) {
    VideoMemoryListener own;
    StoredContext stored;
    OGL::Context* const context = &stored;

    TexturePool::Configuration pool;
    pool.setMaximumFreelistSize(777);
    pool.setVideoMemoryListener(&own);
    pool.setContext(context);
    const TexturePool::Configuration copied(pool);
    TexturePool::Configuration assigned;
    assigned = pool;
    const TexturePool::Configuration* const copies[] = {&copied, &assigned};
    for (const TexturePool::Configuration* c : copies) {
        EXPECT_EQ(c->maximumFreelistSize(), 777u);
        EXPECT_EQ(c->videoMemoryListener(), &own);
        EXPECT_EQ(c->context(), context);
    }

    Configuration memory;
    memory.setMaximumTexturePoolSize(4242);
    memory.setVideoMemoryListener(&own);
    const Configuration memoryCopied(memory);
    Configuration memoryAssigned;
    memoryAssigned = memory;
    const Configuration* const memoryCopies[] = {&memoryCopied, &memoryAssigned};
    for (const Configuration* c : memoryCopies) {
        EXPECT_EQ(c->maximumTexturePoolSize(), 4242u);
        EXPECT_EQ(c->videoMemoryListener(), &own);
    }
}

}  // namespace
}  // namespace ZEV
