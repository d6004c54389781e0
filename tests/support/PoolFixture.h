// Fixtures for tests of the texture pool and of the images that use it: a
// listener that records what it is told, a GL fixture that creates the pool
// through RuntimeSetup with the pool context and checks that every test
// destroyed its pool, and small GL helpers for looking at textures.
#pragma once

#include <epoxy/gl.h>

#include <algorithm>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"
#include "support/TestSupport.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Platform.h"
#include "zev_ogl/ScopedBinding.h"
#include "zev_ogl/Texture.h"

namespace ZEV::Test {

enum ListenerCall { IMPENDING, ALLOCATED, FREED };
using Events = std::vector<std::pair<ListenerCall, size_t>>;

class RecordingListener : public VideoMemory::VideoMemoryListener {
public:
    void impendingMemoryAllcation(size_t bytes) override { record(IMPENDING, bytes); }
    void memoryAllocated(size_t bytes) override { record(ALLOCATED, bytes); }
    void memoryFreed(size_t bytes) override { record(FREED, bytes); }

    Events events;
    std::vector<void*> contexts;  // the GL context current at each call
    // The call of that kind throws std::runtime_error("listener").
    std::optional<ListenerCall> throwOn;

private:
    void record(ListenerCall call, size_t bytes) {
        events.emplace_back(call, bytes);
        contexts.push_back(Platform::currentGLContext());
        if (throwOn == call) throw std::runtime_error("listener");
    }
};

class PoolTest : public GLTest {
protected:
    static constexpr size_t kDefaultLimit = VideoMemory::kDefaultMaximumPoolSize;

    void SetUp() override {
        GLTest::SetUp();
        poolContext().makeCurrent();
        poolHandle = Platform::currentGLContext();
        callerContext().makeCurrent();
        callerHandle = Platform::currentGLContext();
    }

    void TearDown() override {
        try {
            TexturePool::Instance();
            ADD_FAILURE() << "the test left its pool behind";
            callerContext().makeCurrent();
            RuntimeSetup::destroyTexturePool();
        } catch (const std::exception&) {
        }
        OGL::ExtensionManager::Instance()->clearOverrides();
        GLTest::TearDown();
    }

    // Creates the pool with the pool context (or null) as its context. With
    // reuseLarger the capability is overridden so that sizes are rounded up
    // to powers of two.
    void createPool(size_t limit = kDefaultLimit, bool reuseLarger = false,
                    bool withContext = true) {
        TexturePool::Configuration configuration;
        configuration.setMaximumFreelistSize(limit);
        configuration.setVideoMemoryListener(&listener);
        configuration.setContext(withContext ? &poolContext() : nullptr);
        auto* extensions = OGL::ExtensionManager::Instance();
        if (reuseLarger) {
            extensions->overrideSupport(OGL::ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO, false);
            extensions->overrideSupport(OGL::ExtensionManager::OPENGL_2_0, false);
        }
        RuntimeSetup::createTexturePool(configuration);
        extensions->clearOverrides();
    }
    void destroyPool() { RuntimeSetup::destroyTexturePool(); }

    TexturePool& pool() { return *TexturePool::Instance(); }
    // True when the caller's context is the current one.
    bool callerIsCurrent() const { return Platform::currentGLContext() == callerHandle; }

    RecordingListener listener;
    void* callerHandle = nullptr;  // the contexts' platform handles
    void* poolHandle = nullptr;
};

inline bool isTextureName(unsigned int name) { return glIsTexture(name) == GL_TRUE; }

// Fills every byte of level 0 of a 2D texture, read as RGBA8, with value.
inline void fillTexture(OGL::Texture2D* texture, unsigned char value) {
    const std::vector<unsigned char> texels(texture->width(0) * texture->height(0) * 4, value);
    texture->subImage(0, 0, 0, texture->width(0), texture->height(0), OGL::Texture::FORMAT_RGBA,
                      OGL::Texture::TYPE_UNSIGNED_BYTE, texels.data(),
                      OGL::PixelUnpackParameters());
}

// True when every component of every texel of level 0 reads back as 0.
inline bool allTexelsZero(const OGL::Texture2D* texture) {
    const std::vector<float> texels =
        readTexture2D(texture->objectID(), texture->width(0), texture->height(0));
    return std::all_of(texels.begin(), texels.end(), [](float value) { return value == 0.0f; });
}

inline unsigned int boundTexture2D() {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    return static_cast<unsigned int>(bound);
}

// An integer parameter of a 2D texture; the 2D binding is left as it was.
inline int textureParameter(unsigned int texture, unsigned int parameter) {
    const OGL::ScopedTextureBinding bound(GL_TEXTURE_2D, texture);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

}  // namespace ZEV::Test
