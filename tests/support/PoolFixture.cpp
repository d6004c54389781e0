// Pool fixtures: recording listener, pool creation and texture helpers.
#include "support/PoolFixture.h"

#include <epoxy/gl.h>

#include <cmath>
#include <stdexcept>

#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Platform.h"

namespace ZEV::Test {

void RecordingListener::record(Kind kind, size_t bytes) {
    events.emplace_back(kind, bytes);
    contexts.push_back(Platform::currentGLContext());
    if (throwOn == kind) throw std::runtime_error("listener");
}

void PoolTest::SetUp() {
    GLTest::SetUp();
    poolContext().makeCurrent();
    poolHandle_ = Platform::currentGLContext();
    callerContext().makeCurrent();
    callerHandle_ = Platform::currentGLContext();
}

void PoolTest::TearDown() {
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

bool isTextureName(unsigned int name) { return glIsTexture(name) == GL_TRUE; }

void fillTexture(OGL::Texture2D* texture, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char a) {
    std::vector<unsigned char> texels;
    for (size_t n = 0; n < texture->width(0) * texture->height(0); ++n)
        texels.insert(texels.end(), {r, g, b, a});
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

unsigned int boundTexture2D() {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    return static_cast<unsigned int>(bound);
}

int textureParameter(unsigned int texture, unsigned int parameter) {
    const GLuint previous = boundTexture2D();
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    glBindTexture(GL_TEXTURE_2D, previous);
    return value;
}

}  // namespace ZEV::Test
