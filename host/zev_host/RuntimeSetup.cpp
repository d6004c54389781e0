// RuntimeSetup's access to the singletons' private Create and Destroy, and
// the scoped guards built on it.
#include "zev_host/RuntimeSetup.h"

#include "image_runtime/ShaderManagerOGL.h"

namespace ZEV {

void RuntimeSetup::createShaderManager() { ShaderManagerOGL::Create(); }

void RuntimeSetup::destroyShaderManager() { ShaderManagerOGL::Destroy(); }

void RuntimeSetup::createTexturePool(const TexturePool::Configuration& configuration) {
    TexturePool::Create(configuration);
}

void RuntimeSetup::destroyTexturePool() { TexturePool::Destroy(); }

ScopedTexturePool::ScopedTexturePool(const TexturePool::Configuration& configuration) {
    RuntimeSetup::createTexturePool(configuration);
}

ScopedTexturePool::~ScopedTexturePool() {
    try {
        if (held_) destroy();
    } catch (...) {
    }
}

void ScopedTexturePool::destroy() {
    held_ = false;
    RuntimeSetup::destroyTexturePool();
}

ScopedShaderManager::ScopedShaderManager() { RuntimeSetup::createShaderManager(); }

ScopedShaderManager::~ScopedShaderManager() {
    try {
        if (held_) destroy();
    } catch (...) {
    }
}

void ScopedShaderManager::destroy() {
    held_ = false;
    RuntimeSetup::destroyShaderManager();
}

}  // namespace ZEV
