// Headless EGL contexts and saving/restoring the current context.
#include "zev_ogl/Context.h"

#include <dlfcn.h>
#include <epoxy/egl.h>
#include <link.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/GLError.h"
#include "zev_ogl/Glx.h"

namespace ZEV::OGL {

namespace {

constexpr const char* kSource = "zev_ogl/Context";

bool hasExtension(const char* list, const char* name) {
    return list && epoxy_extension_in_string(list, name);
}

[[noreturn]] void eglFailure(int line, const char* what) {
    throwAt<InternalException>(kSource, line,
                               std::string(what) + ": EGL error " + detail::hex(eglGetError()));
}

// The process's one headless display, initialised once and terminated at
// exit (see terminateAtExit).
struct HeadlessDisplay {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLConfig config = nullptr;  // null with EGL_KHR_no_config_context
};

bool initialise(EGLDisplay display, HeadlessDisplay& out) {
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (!hasExtension(extensions, "EGL_KHR_surfaceless_context")) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    out.display = display;
    if (!hasExtension(extensions, "EGL_KHR_no_config_context")) {
        const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        EGLint count = 0;
        if (!eglChooseConfig(display, attributes, &out.config, 1, &count) || count < 1)
            return false;
    }
    return true;
}

HeadlessDisplay openDisplay() {
    HeadlessDisplay result;
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    // A GPU driver's device first; Mesa's software device is skipped here so
    // that the surfaceless platform below picks the renderer instead.
    if (hasExtension(client, "EGL_EXT_device_enumeration") &&
        hasExtension(client, "EGL_EXT_platform_device")) {
        EGLint count = 0;
        eglQueryDevicesEXT(0, nullptr, &count);
        std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count > 0 ? count : 0));
        if (count > 0 && eglQueryDevicesEXT(count, devices.data(), &count)) {
            for (EGLDeviceEXT device : devices) {
                const char* deviceExtensions = eglQueryDeviceStringEXT(device, EGL_EXTENSIONS);
                if (hasExtension(deviceExtensions, "EGL_MESA_device_software")) continue;
                EGLDisplay display =
                    eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, device, nullptr);
                if (initialise(display, result)) return result;
            }
        }
    }
    if (hasExtension(client, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display =
            eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (initialise(display, result)) return result;
    }
    throwAt<InternalException>(kSource, __LINE__,
                               "no headless EGL display: neither a GPU device nor Mesa's "
                               "surfaceless platform is available");
}

EGLDisplay gDisplayToTerminate = EGL_NO_DISPLAY;

// Keeps the loaded GL and Vulkan driver libraries mapped for the rest of the
// process. Terminating the display would otherwise unload them, and leak
// checkers could then no longer tell the driver's own exit-time leftovers
// from ours.
void pinDriverLibraries() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
            if (name.find("_dri.so") != std::string_view::npos ||
                name.find("libvulkan_") != std::string_view::npos)
                dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

// Some drivers (zink on a Vulkan driver among them) run threads of their own
// until their display is terminated; left running, they crash in the
// process's exit-time teardown.
void terminateAtExit() {
    const EGLDisplay display = gDisplayToTerminate;
    if (eglGetCurrentDisplay() == display)
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglTerminate(display);
    eglReleaseThread();
}

const HeadlessDisplay& headlessDisplay() {
    static const HeadlessDisplay display = [] {
        const HeadlessDisplay opened = openDisplay();
        pinDriverLibraries();
        gDisplayToTerminate = opened.display;
        std::atexit(terminateAtExit);
        return opened;
    }();
    return display;
}

class HeadlessContext final : public Context {
public:
    explicit HeadlessContext(const HeadlessContext* shareWith) {
        const HeadlessDisplay& headless = headlessDisplay();
        display_ = headless.display;
        const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                     EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
        context_ = eglCreateContext(display_, headless.config,
                                    shareWith ? shareWith->context_ : EGL_NO_CONTEXT, attributes);
        if (context_ == EGL_NO_CONTEXT) eglFailure(__LINE__, "eglCreateContext failed");
    }

    ~HeadlessContext() override {
        if (eglGetCurrentContext() == context_)
            eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }

    void makeCurrent() override {
        if (!eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_))
            eglFailure(__LINE__, "eglMakeCurrent failed");
    }

private:
    EGLDisplay display_ = EGL_NO_DISPLAY;
    EGLContext context_ = EGL_NO_CONTEXT;
};

}  // namespace

Context::~Context() = default;

std::unique_ptr<Context> createHeadlessContext(const Context* shareWith) {
    const auto* share = dynamic_cast<const HeadlessContext*>(shareWith);
    if (shareWith && !share)
        throwAt<ParameterException>(kSource, __LINE__,
                                    "a headless context can only share with another headless "
                                    "context");
    return std::make_unique<HeadlessContext>(share);
}

void releaseCurrentContext() {
    if (eglGetCurrentContext() != EGL_NO_CONTEXT)
        eglMakeCurrent(eglGetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    const detail::GlxFunctions* glx = detail::glx();
    if (glx && glx->getCurrentContext())
        glx->makeContextCurrent(glx->getCurrentDisplay(), 0, 0, nullptr);
}

ScopedContextWrapper::ScopedContextWrapper() {
    if (EGLContext context = eglGetCurrentContext(); context != EGL_NO_CONTEXT) {
        api_ = Api::EGL;
        context_ = context;
        display_ = eglGetCurrentDisplay();
        eglDraw_ = eglGetCurrentSurface(EGL_DRAW);
        eglRead_ = eglGetCurrentSurface(EGL_READ);
        return;
    }
    if (const detail::GlxFunctions* glx = detail::glx()) {
        if (void* context = glx->getCurrentContext()) {
            api_ = Api::GLX;
            context_ = context;
            display_ = glx->getCurrentDisplay();
            glxDraw_ = glx->getCurrentDrawable();
            glxRead_ = glx->getCurrentReadDrawable();
        }
    }
}

ScopedContextWrapper::~ScopedContextWrapper() {
    switch (api_) {
        case Api::EGL: eglMakeCurrent(display_, eglDraw_, eglRead_, context_); break;
        case Api::GLX:
            // Found at construction, and a found library is kept.
            detail::glx()->makeContextCurrent(display_, glxDraw_, glxRead_, context_);
            break;
        case Api::None:
            // Nothing was current: release with the display of whatever is
            // current now, since EGL_NO_DISPLAY cannot release anything.
            releaseCurrentContext();
            break;
    }
}

}  // namespace ZEV::OGL
