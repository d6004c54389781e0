// OpenGL contexts: the abstract Context a host can derive from to wrap the
// context it already has, headless EGL contexts, and the scoped wrapper that
// puts back whatever was current.
#pragma once

#include <memory>

#include "zev_core/Export.h"

namespace ZEV::OGL {

/// An OpenGL context the runtime can make current. Hosts derive from it to hand
/// the runtime a context they own; the runtime only borrows contexts.
class ZEV_API Context {
public:
    virtual ~Context();
    /// Makes this context current on the calling thread. The headless contexts
    /// throw InternalException when they cannot.
    virtual void makeCurrent() = 0;
};

/// An EGL context without a surface (draw into framebuffer objects), OpenGL
/// compatibility profile, owned by the caller and not made current. It uses a
/// GPU driver's EGL device when one is offered and Mesa's surfaceless platform
/// otherwise. Given shareWith (which must come from this function too, else
/// ParameterException), the new context shares its textures, programs and
/// buffers. Throws InternalException when no context can be made. Destroying
/// the context while it is current on this thread releases it first.
ZEV_API std::unique_ptr<Context> createHeadlessContext(const Context* shareWith = nullptr);

/// Makes no context current on this thread (EGL and GLX alike).
ZEV_API void releaseCurrentContext();

/// Remembers what is current on this thread (EGL display, draw and read
/// surface and context, or their GLX counterparts, or nothing) and makes it
/// current again when it goes out of scope.
class ZEV_API ScopedContextWrapper {
public:
    ScopedContextWrapper();
    ~ScopedContextWrapper();
    ScopedContextWrapper(const ScopedContextWrapper&) = delete;
    ScopedContextWrapper& operator=(const ScopedContextWrapper&) = delete;

private:
    enum class Api { None, EGL, GLX };
    Api api_ = Api::None;
    void* display_ = nullptr;
    void* context_ = nullptr;
    void* eglDraw_ = nullptr;
    void* eglRead_ = nullptr;
    unsigned long glxDraw_ = 0;
    unsigned long glxRead_ = 0;
};

}  // namespace ZEV::OGL
