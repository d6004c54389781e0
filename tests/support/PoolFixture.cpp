// Pool fixtures: recording listener, pool creation and texture helpers.
#include "support/PoolFixture.h"

#include <epoxy/gl.h>

#include <cmath>
#include <stdexcept>

#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Platform.h"

namespace ZEV::Test {

void RecordingListener::record(Kind kind, size_t bytes, bool shouldThrow) {
    events.push_back({kind, bytes, Platform::currentGLContext()});
    if (shouldThrow) throw std::runtime_error("listener");
}

void RecordingListener::impendingMemoryAllcation(size_t bytes) {
    record(IMPENDING, bytes, throwOnImpending);
}
void RecordingListener::memoryAllocated(size_t bytes) {
    record(ALLOCATED, bytes, throwOnAllocated);
}
void RecordingListener::memoryFreed(size_t bytes) {
    if (onFreed) onFreed();
    record(FREED, bytes, throwOnFreed);
}

void PoolTest::SetUp() {
    GLTest::SetUp();
    poolContext().makeCurrent();
    poolHandle_ = Platform::currentGLContext();
    callerContext().makeCurrent();
    callerHandle_ = Platform::currentGLContext();
}

void PoolTest::TearDown() {
    bool leftOver = true;
    try {
        TexturePool::Instance();
    } catch (const std::exception&) {
        leftOver = false;
    }
    if (leftOver) {
        ADD_FAILURE() << "the test left its pool behind";
        callerContext().makeCurrent();
        RuntimeSetup::destroyTexturePool();
    }
    OGL::ExtensionManager::Instance()->clearOverrides();
    GLTest::TearDown();
}

void PoolTest::createPool(size_t limit, bool reuseLarger, bool withContext) {
    TexturePool::Configuration configuration;
    configuration.setMaximumFreelistSize(limit);
    configuration.setVideoMemoryListener(&listener);
    configuration.setContext(withContext ? &poolContext() : nullptr);
    if (reuseLarger) {
        auto* extensions = OGL::ExtensionManager::Instance();
        extensions->overrideSupport(OGL::ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO, false);
        extensions->overrideSupport(OGL::ExtensionManager::OPENGL_2_0, false);
    }
    RuntimeSetup::createTexturePool(configuration);
    OGL::ExtensionManager::Instance()->clearOverrides();
}

void PoolTest::destroyPool() { RuntimeSetup::destroyTexturePool(); }

bool PoolTest::callerIsCurrent() const { return Platform::currentGLContext() == callerHandle_; }

bool isTexture(const OGL::Texture* texture) { return isTextureName(texture->objectID()); }
bool isTextureName(unsigned int name) { return glIsTexture(name) == GL_TRUE; }

void fillTexture(OGL::Texture2D* texture, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char a) {
    const size_t count = texture->width(0) * texture->height(0);
    std::vector<unsigned char> texels(count * 4);
    for (size_t n = 0; n < count; ++n) {
        texels[4 * n] = r;
        texels[4 * n + 1] = g;
        texels[4 * n + 2] = b;
        texels[4 * n + 3] = a;
    }
    texture->subImage(0, 0, 0, texture->width(0), texture->height(0), OGL::Texture::FORMAT_RGBA,
                      OGL::Texture::TYPE_UNSIGNED_BYTE, texels.data(),
                      OGL::PixelUnpackParameters());
}

bool allTexelsAre(const OGL::Texture2D* texture, float r, float g, float b, float a) {
    const std::vector<float> texels =
        readTexture2D(texture->objectID(), texture->width(0), texture->height(0));
    const float want[4] = {r, g, b, a};
    for (size_t n = 0; n < texels.size(); ++n)
        if (std::fabs(texels[n] - want[n % 4]) > 1.0f / 255.0f) return false;
    return true;
}

}  // namespace ZEV::Test
