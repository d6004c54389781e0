// The framework's set-up code outside the runtime library: the one friend
// through which a host creates and destroys the runtime's singletons.
#pragma once

#include "image_runtime/TexturePool.h"
#include "zev_core/Export.h"

namespace ZEV {

class ZEV_API RuntimeSetup {
public:
    RuntimeSetup() = delete;

    // The shader manager: create before the first proxy is locked; destroy
    // after every proxy is gone.
    static void createShaderManager();
    static void destroyShaderManager();

    // Needs an OpenGL context current; the pool's framebuffer object belongs
    // to it, so destroy the pool with the same context current.
    static void createTexturePool(const TexturePool::Configuration& configuration);
    // Destroy every ImageGPU (or release its texture) first.
    static void destroyTexturePool();
};

}  // namespace ZEV
