// Setting the runtime up and tearing it down.
#include "Runtime.h"

#include <epoxy/gl.h>

#include <exception>
#include <iostream>
#include <utility>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/TexturePool.h"

namespace ZevFilter {

namespace {

// Teardown runs in destructors; a failure there is reported, not thrown.
template <class Function>
void reportFailure(const char* what, Function function) noexcept {
    try {
        function();
    } catch (const std::exception& e) {
        std::cerr << "zev-filter: " << what << ": " << e.what() << "\n";
    }
}

}  // namespace

Runtime::CurrentContext::CurrentContext(ZEV::OGL::Context& context) { context.makeCurrent(); }

Runtime::CurrentContext::~CurrentContext() { ZEV::OGL::releaseCurrentContext(); }

ZEV::TexturePool::Configuration Runtime::poolConfiguration(
    ZEV::VideoMemory::VideoMemoryListener& listener, ZEV::OGL::Context& poolContext) {
    ZEV::TexturePool::Configuration configuration;
    configuration.setVideoMemoryListener(&listener);
    configuration.setContext(&poolContext);
    return configuration;
}

Runtime::Runtime(HostContexts contexts, ZEV::VideoMemory::VideoMemoryListener& listener,
                 const ProgramLimits& limits)
    : drawingContext_(std::move(contexts.drawing)),
      poolContext_(std::move(contexts.pool)),
      current_(*drawingContext_),
      pool_(poolConfiguration(listener, *poolContext_)) {
    ZEV::ShaderManagerOGL* manager = ZEV::ShaderManagerOGL::Instance();
    manager->SetMaxNumShaders(limits.maxPrograms);
    // Evict down to three quarters of the maximum, as the manager's own
    // defaults (98 of 128) roughly do.
    manager->GetShaderThreshold(limits.maxPrograms * 3 / 4);
    manager->SetMaxShaderAge(limits.maxIdleSeconds);
}

// Teardown failures are reported, not thrown; the guards are then empty.
Runtime::~Runtime() {
    reportFailure("destroying the shader manager", [this] { shaders_.destroy(); });
    reportFailure("destroying the texture pool", [this] { pool_.destroy(); });
}

std::string Runtime::renderer() const {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name ? name : "unknown";
}

size_t Runtime::poolBytesIdle() const { return ZEV::TexturePool::Instance()->currentPoolSize(); }

size_t Runtime::poolLimit() const { return ZEV::TexturePool::Instance()->maximumPoolSize(); }

void Runtime::emptyPool() { ZEV::TexturePool::Instance()->setMaximumPoolSize(0); }

}  // namespace ZevFilter
