// Finding the loaded GLX library's entry points.
#include "zev_ogl/Glx.h"

#include <dlfcn.h>

#include <atomic>
#include <optional>

namespace ZEV::OGL::detail {

namespace {

template <class Function>
bool find(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

std::optional<GlxFunctions> lookUp() {
    for (const char* name : {"libGL.so.1", "libGLX.so.0"}) {
        // The handle is kept on a hit, so the library stays loaded.
        void* library = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
        if (!library) continue;
        GlxFunctions f;
        if (find(library, "glXGetCurrentContext", f.getCurrentContext) &&
            find(library, "glXGetCurrentDisplay", f.getCurrentDisplay) &&
            find(library, "glXGetCurrentDrawable", f.getCurrentDrawable) &&
            find(library, "glXGetCurrentReadDrawable", f.getCurrentReadDrawable) &&
            find(library, "glXMakeContextCurrent", f.makeContextCurrent))
            return f;
        dlclose(library);
    }
    return std::nullopt;
}

}  // namespace

const GlxFunctions* glx() {
    static std::atomic<const GlxFunctions*> found{nullptr};
    if (const GlxFunctions* functions = found.load(std::memory_order_acquire)) return functions;
    const std::optional<GlxFunctions> functions = lookUp();
    if (!functions) return nullptr;
    static const GlxFunctions kept = *functions;
    found.store(&kept, std::memory_order_release);
    return &kept;
}

}  // namespace ZEV::OGL::detail
