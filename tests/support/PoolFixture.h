// Fixtures for tests of the texture pool and of the images that use it: a
// listener that records what it is told, and a GL fixture that creates the
// pool through RuntimeSetup with the pool context and checks that every test
// destroyed its pool.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"
#include "support/TestSupport.h"
#include "zev_ogl/Texture.h"

namespace ZEV::Test {

class RecordingListener : public VideoMemory::VideoMemoryListener {
public:
    enum Kind { IMPENDING, ALLOCATED, FREED };
    struct Event {
        Kind kind;
        size_t bytes;
        void* context;  // the GL context current during the notification
        bool operator==(const Event& other) const {
            return kind == other.kind && bytes == other.bytes;
        }
    };

    static Event event(Kind kind, size_t bytes) { return {kind, bytes, nullptr}; }

    void impendingMemoryAllcation(size_t bytes) override;
    void memoryAllocated(size_t bytes) override;
    void memoryFreed(size_t bytes) override;

    std::vector<Event> events;
    // When set, the notification of that kind throws std::runtime_error("listener").
    bool throwOnImpending = false;
    bool throwOnAllocated = false;
    bool throwOnFreed = false;
    // Run inside memoryFreed, before it records, to look at GL state mid-eviction.
    std::function<void()> onFreed;

private:
    void record(Kind kind, size_t bytes, bool shouldThrow);
};

class PoolTest : public GLTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the pool with the pool context (or null) as its context. With
    // reuseLarger the capability is overridden so that sizes are rounded up
    // to powers of two.
    void createPool(size_t limit = VideoMemory::kDefaultMaximumPoolSize, bool reuseLarger = false,
                    bool withContext = true);
    void destroyPool();

    TexturePool& pool() { return *TexturePool::Instance(); }
    // True when the caller's context is the current one.
    bool callerIsCurrent() const;
    // The GL handle of the pool context.
    void* poolHandle() const { return poolHandle_; }

    RecordingListener listener;

private:
    void* callerHandle_ = nullptr;
    void* poolHandle_ = nullptr;
};

bool isTexture(const OGL::Texture* texture);
bool isTextureName(unsigned int name);
// Fills level 0 of a 2D texture with one RGBA8 colour.
void fillTexture(OGL::Texture2D* texture, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char a);
// True when every texel of level 0 reads back as the given colour (within 1/255).
bool allTexelsAre(const OGL::Texture2D* texture, float r, float g, float b, float a);

}  // namespace ZEV::Test
