// The two contexts the runtime runs in: one to draw with, and one in its
// share group in which the texture pool makes its textures. Either the
// runtime's own headless ones, or GLX contexts on the X display, made and
// wrapped for the runtime the way a windowed host wraps its own.
#pragma once

#include <memory>
#include <string>

#include "zev_ogl/Context.h"

namespace ZevFilter {

struct HostContexts {
    std::unique_ptr<ZEV::OGL::Context> drawing;
    std::unique_ptr<ZEV::OGL::Context> pool;  // shares drawing's textures and programs
    std::string description;                  // for the summary
};

// Throws when no context can be made.
HostContexts createHeadlessContexts();

// On the display that $DISPLAY names. Throws std::runtime_error when there
// is none, or it offers no GLX pixel buffers.
HostContexts createGlxContexts();

}  // namespace ZevFilter
