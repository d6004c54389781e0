// Setting the runtime up and tearing it down.
#include "Runtime.h"

#include <epoxy/gl.h>

#include <exception>
#include <iostream>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/TexturePool.h"
#include "zev_host/RuntimeSetup.h"

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

Runtime::TexturePoolInstance::TexturePoolInstance(ZEV::VideoMemory::VideoMemoryListener& listener,
                                                  ZEV::OGL::Context& poolContext) {
    ZEV::TexturePool::Configuration configuration;
    configuration.setVideoMemoryListener(&listener);
    configuration.setContext(&poolContext);
    ZEV::RuntimeSetup::createTexturePool(configuration);
}

Runtime::TexturePoolInstance::~TexturePoolInstance() {
    reportFailure("destroying the texture pool", [] { ZEV::RuntimeSetup::destroyTexturePool(); });
}

Runtime::ShaderManagerInstance::ShaderManagerInstance(const ProgramLimits& limits) {
    ZEV::RuntimeSetup::createShaderManager();
    ZEV::ShaderManagerOGL* manager = ZEV::ShaderManagerOGL::Instance();
    manager->SetMaxNumShaders(limits.maxPrograms);
    // Evict down to three quarters of the maximum, as the manager's own
    // defaults (98 of 128) roughly do.
    manager->GetShaderThreshold(limits.maxPrograms * 3 / 4);
    manager->SetMaxShaderAge(limits.maxIdleSeconds);
}

Runtime::ShaderManagerInstance::~ShaderManagerInstance() {
    reportFailure("destroying the shader manager",
                  [] { ZEV::RuntimeSetup::destroyShaderManager(); });
}

Runtime::Runtime(ZEV::VideoMemory::VideoMemoryListener& listener, const ProgramLimits& limits)
    : drawingContext_(ZEV::OGL::createHeadlessContext()),
      poolContext_(ZEV::OGL::createHeadlessContext(drawingContext_.get())),
      current_(*drawingContext_),
      pool_(listener, *poolContext_),
      shaders_(limits) {}

Runtime::~Runtime() = default;

std::string Runtime::renderer() const {
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return name ? name : "unknown";
}

size_t Runtime::poolBytesIdle() const { return ZEV::TexturePool::Instance()->currentPoolSize(); }

size_t Runtime::poolLimit() const { return ZEV::TexturePool::Instance()->maximumPoolSize(); }

void Runtime::emptyPool() { ZEV::TexturePool::Instance()->setMaximumPoolSize(0); }

}  // namespace ZevFilter
