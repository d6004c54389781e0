// Fixtures for tests of the texture pool and of the images that use it: a
// listener that records what it is told, a GL fixture that creates the pool
// through RuntimeSetup with the pool context and checks that every test
// destroyed its pool, and small GL helpers for looking at textures.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"
#include "support/TestSupport.h"
#include "zev_ogl/Texture.h"

namespace ZEV::Test {

class RecordingListener : public VideoMemory::VideoMemoryListener {
public:
    enum Kind { IMPENDING, ALLOCATED, FREED };
    using Event = std::pair<Kind, size_t>;

    void impendingMemoryAllcation(size_t bytes) override { record(IMPENDING, bytes); }
    void memoryAllocated(size_t bytes) override { record(ALLOCATED, bytes); }
    void memoryFreed(size_t bytes) override { record(FREED, bytes); }

    std::vector<Event> events;
    std::vector<void*> contexts;  // the GL context current at each notification
    // The notification of that kind throws std::runtime_error("listener").
    std::optional<Kind> throwOn;

private:
    void record(Kind kind, size_t bytes);
};

using Events = std::vector<RecordingListener::Event>;
inline RecordingListener::Event impending(size_t bytes) {
    return {RecordingListener::IMPENDING, bytes};
}
inline RecordingListener::Event allocated(size_t bytes) {
    return {RecordingListener::ALLOCATED, bytes};
}
inline RecordingListener::Event freed(size_t bytes) { return {RecordingListener::FREED, bytes}; }

class PoolTest : public GLTest {
protected:
    static constexpr size_t kDefaultLimit = VideoMemory::kDefaultMaximumPoolSize;

    void SetUp() override;
    void TearDown() override;

    // Creates the pool with the pool context (or null) as its context. With
    // reuseLarger the capability is overridden so that sizes are rounded up
    // to powers of two.
    void createPool(size_t limit = kDefaultLimit, bool reuseLarger = false,
                    bool withContext = true);
    void destroyPool();

    TexturePool& pool() { return *TexturePool::Instance(); }
    // True when the caller's context is the current one.
    bool callerIsCurrent() const;
    void* callerHandle() const { return callerHandle_; }
    void* poolHandle() const { return poolHandle_; }

    RecordingListener listener;

private:
    void* callerHandle_ = nullptr;
    void* poolHandle_ = nullptr;
};

bool isTextureName(unsigned int name);
// Fills level 0 of a 2D texture with one RGBA8 colour.
void fillTexture(OGL::Texture2D* texture, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char a);
// True when every texel of level 0 reads back as the given colour (within 1/255).
bool allTexelsAre(const OGL::Texture2D* texture, float r, float g, float b, float a);

unsigned int boundTexture2D();
// An integer parameter of a 2D texture; the 2D binding is left as it was.
int textureParameter(unsigned int texture, unsigned int parameter);

}  // namespace ZEV::Test
