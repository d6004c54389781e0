// Current-context query over EGL and GLX, and the monotonic clock source.
#include "zev_ogl/Platform.h"

#include <epoxy/egl.h>

#include <chrono>

#include "zev_ogl/Glx.h"

namespace ZEV::Platform {

namespace {

class MonotonicClock final : public ClockSource {
public:
    bool performanceFrequency(int64_t* frequency) override {
        *frequency = 1000000000;
        return true;
    }
    bool performanceCounter(int64_t* count) override {
        *count = std::chrono::duration_cast<std::chrono::nanoseconds>(
                     std::chrono::steady_clock::now().time_since_epoch())
                     .count();
        return true;
    }
    uint32_t tickCount() override {
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
    }
};

ClockSource* gSource = nullptr;

}  // namespace

ClockSource::~ClockSource() = default;

void* currentGLContext() {
    if (EGLContext context = eglGetCurrentContext(); context != EGL_NO_CONTEXT) return context;
    const OGL::detail::GlxFunctions* glx = OGL::detail::glx();
    return glx ? glx->getCurrentContext() : nullptr;
}

ClockSource& monotonicClock() {
    static MonotonicClock clock;
    return clock;
}

ClockSource& clockSource() { return gSource ? *gSource : monotonicClock(); }

void setClockSource(ClockSource* source) { gSource = source; }

}  // namespace ZEV::Platform
