// Making the contexts. GLX goes through libepoxy's dispatch like every GL
// call of the program. The passes draw into framebuffer objects, so each
// GLX context only needs a tiny pixel buffer to be current with.
#include "HostContexts.h"

#include <epoxy/glx.h>

#include <cstdlib>
#include <stdexcept>

namespace ZevFilter {

namespace {

// A GLX context with a pixel buffer of its own, as a host's context is
// wrapped for the runtime: the runtime only asks it to become current.
class GlxContext final : public ZEV::OGL::Context {
public:
    GlxContext(Display* display, GLXFBConfig config, const GlxContext* shareWith)
        : display_(display) {
        const int size[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};
        pbuffer_ = glXCreatePbuffer(display, config, size);
        context_ = glXCreateNewContext(display, config, GLX_RGBA_TYPE,
                                       shareWith ? shareWith->context_ : nullptr, True);
        if (pbuffer_ == 0 || context_ == nullptr) {
            release();
            throw std::runtime_error("cannot create a GLX context on the X display");
        }
    }
    ~GlxContext() override { release(); }
    GlxContext(const GlxContext&) = delete;
    GlxContext& operator=(const GlxContext&) = delete;

    void makeCurrent() override {
        if (!glXMakeContextCurrent(display_, pbuffer_, pbuffer_, context_))
            throw std::runtime_error("cannot make the GLX context current");
    }

private:
    void release() {
        if (context_ != nullptr) glXDestroyContext(display_, context_);
        if (pbuffer_ != 0) glXDestroyPbuffer(display_, pbuffer_);
    }

    Display* display_;
    GLXPbuffer pbuffer_ = 0;
    GLXContext context_ = nullptr;
};

// Opened once and left open until the process ends: closing it would
// unload the GL driver under the leak checker, which could then no longer
// tell the driver's exit-time leftovers from ours.
Display* xDisplay() {
    static Display* const display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        const char* name = std::getenv("DISPLAY");
        throw std::runtime_error(std::string("--context glx needs an X display; cannot open '") +
                                 (name ? name : "") + "' (is DISPLAY set?)");
    }
    return display;
}

// Any configuration with pixel buffers and RGBA rendering; its colour depth
// does not matter, as nothing is drawn into the buffers.
GLXFBConfig pbufferConfig(Display* display) {
    const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
    if (configs == nullptr || count == 0) {
        if (configs != nullptr) XFree(configs);
        throw std::runtime_error("the X display offers no GLX pixel buffers");
    }
    const GLXFBConfig config = configs[0];
    XFree(configs);
    return config;
}

}  // namespace

HostContexts createHeadlessContexts() {
    HostContexts contexts;
    contexts.drawing = ZEV::OGL::createHeadlessContext();
    contexts.pool = ZEV::OGL::createHeadlessContext(contexts.drawing.get());
    contexts.description = "headless EGL contexts";
    return contexts;
}

HostContexts createGlxContexts() {
    Display* const display = xDisplay();
    int errorBase = 0;
    int eventBase = 0;
    if (!glXQueryExtension(display, &errorBase, &eventBase))
        throw std::runtime_error("the X display has no GLX extension");
    const GLXFBConfig config = pbufferConfig(display);
    auto drawing = std::make_unique<GlxContext>(display, config, nullptr);
    auto pool = std::make_unique<GlxContext>(display, config, drawing.get());
    return {std::move(drawing), std::move(pool),
            std::string("GLX contexts on ") + DisplayString(display)};
}

}  // namespace ZevFilter
