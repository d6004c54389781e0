// The framework's set-up code outside the runtime library: the one friend
// through which a host creates and destroys the runtime's singletons, and
// scoped guards that create one in their constructor and destroy it in their
// destructor, so that nothing a host throws in between leaves it behind.
#pragma once

#include "image_runtime/TexturePool.h"
#include "zev_core/Export.h"

namespace ZEV {

/// Creating a service that exists, or destroying one that does not, throws
/// InternalException. Call from one thread, with no image or proxy in use.
class ZEV_API RuntimeSetup {
public:
    RuntimeSetup() = delete;

    /// The shader manager: create before the first proxy is locked; destroy
    /// after every proxy is gone, with the programs' context current (the
    /// manager deletes the programs it still holds).
    ///@{
    static void createShaderManager();
    static void destroyShaderManager();
    ///@}

    /// Needs an OpenGL context current; the pool's framebuffer object belongs
    /// to it, so destroy the pool with the same context current. The
    /// configuration is copied; its listener and context are borrowed.
    static void createTexturePool(const TexturePool::Configuration& configuration);
    /// Destroy every ImageGPU (or release its texture) first. Deletes the free
    /// textures in the pool's context; the pool is gone even when that throws.
    static void destroyTexturePool();
};

/// Creates the texture pool (as createTexturePool, so the context that is to
/// own the pool's framebuffer object must be current) and destroys it again,
/// with that context current, when it goes out of scope. Every ImageGPU must
/// be gone or have released its texture by then.
class ZEV_API ScopedTexturePool {
public:
    explicit ScopedTexturePool(const TexturePool::Configuration& configuration);
    /// Destroys the pool unless destroy() did; a failure is swallowed, since
    /// the pool is unregistered before anything can fail and so is gone anyway.
    ~ScopedTexturePool();
    ScopedTexturePool(const ScopedTexturePool&) = delete;
    ScopedTexturePool& operator=(const ScopedTexturePool&) = delete;
    /// Destroys the pool now, letting a failure reach the caller.
    void destroy();

private:
    bool held_ = true;
};

/// Creates the shader manager and destroys it when it goes out of scope;
/// every program proxy must be gone by then. Needs no context until a proxy
/// is locked; destroy it with the programs' context current.
class ZEV_API ScopedShaderManager {
public:
    ScopedShaderManager();
    /// Destroys the manager unless destroy() did; a failure is swallowed.
    ~ScopedShaderManager();
    ScopedShaderManager(const ScopedShaderManager&) = delete;
    ScopedShaderManager& operator=(const ScopedShaderManager&) = delete;
    /// Destroys the manager now, letting a failure reach the caller.
    void destroy();

private:
    bool held_ = true;
};

}  // namespace ZEV
