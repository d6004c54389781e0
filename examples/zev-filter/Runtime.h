// The runtime as a host sets it up: a context for drawing and a second one
// in its share group for the texture pool (see HostContexts.h), the pool with the
// host's listener, and the shader manager with the host's limits. Torn
// down in reverse; every GPU image and program proxy must be gone first.
#pragma once

#include <memory>
#include <string>

#include "HostContexts.h"
#include "image_runtime/VideoMemory.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Context.h"

namespace ZevFilter {

struct ProgramLimits {
    unsigned int maxPrograms = 128;
    double maxIdleSeconds = 60.0;
};

class Runtime {
public:
    // Takes the contexts over and leaves the drawing context current.
    Runtime(HostContexts contexts, ZEV::VideoMemory::VideoMemoryListener& listener,
            const ProgramLimits& limits);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    std::string renderer() const;
    // Bytes of idle textures in the pool, and its limit.
    size_t poolBytesIdle() const;
    size_t poolLimit() const;
    // Deletes every idle texture through the pool's limit, one eviction at
    // a time, so that the listener hears of each texture on its own.
    void emptyPool();

private:
    // Makes a context current for the runtime's lifetime, then none.
    class CurrentContext {
    public:
        explicit CurrentContext(ZEV::OGL::Context& context);
        ~CurrentContext();
        CurrentContext(const CurrentContext&) = delete;
        CurrentContext& operator=(const CurrentContext&) = delete;
    };
    // The pool with the host's listener, in poolContext's share group.
    static ZEV::TexturePool::Configuration poolConfiguration(
        ZEV::VideoMemory::VideoMemoryListener& listener, ZEV::OGL::Context& poolContext);

    std::unique_ptr<ZEV::OGL::Context> drawingContext_;
    std::unique_ptr<ZEV::OGL::Context> poolContext_;
    CurrentContext current_;
    ZEV::ScopedTexturePool pool_;
    ZEV::ScopedShaderManager shaders_;
};

}  // namespace ZevFilter
