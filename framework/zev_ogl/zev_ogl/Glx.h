// Internal: the GLX entry points that zev_ogl calls without linking GLX, for
// hosts whose contexts are GLX contexts. Not installed.
#pragma once

namespace ZEV::OGL::detail {

struct GlxFunctions {
    void* (*getCurrentContext)() = nullptr;
    void* (*getCurrentDisplay)() = nullptr;
    unsigned long (*getCurrentDrawable)() = nullptr;
    unsigned long (*getCurrentReadDrawable)() = nullptr;
    int (*makeContextCurrent)(void*, unsigned long, unsigned long, void*) = nullptr;
};

// The entry points of the GLX library the process has loaded (libGL.so.1,
// or libGLX.so.0 for hosts linked against the split libraries), or null
// when neither is loaded. Nothing is loaded for this, so an EGL-only
// process never pulls in X11; a miss is asked again next time, since a host
// may load GLX later, and the first hit is kept.
const GlxFunctions* glx();

}  // namespace ZEV::OGL::detail
