// Counts of the GLSL programs that the shader manager built for the host's
// proxies and evicted again. The manager reports neither, so the host
// watches its own locks: a lock builds exactly when the proxy's program is
// gone, and only a build evicts.
#pragma once

#include <cstddef>
#include <map>

#include "image_runtime/ShaderProgramProxyOGL.h"
#include "zev_ogl/Program.h"

namespace ZevFilter {

class ProgramStats {
public:
    // What beforeLock saw, for afterLock.
    struct Census {
        bool built = false;
        size_t livePrograms = 0;
    };

    // Call right before locking proxy, and afterLock right after the lock
    // returned program. Every program must be unbound between locks
    // (a deleted program that is still in use stays a program for GL).
    Census beforeLock(const ZEV::ShaderProgramProxyOGL& proxy) const;
    void afterLock(const ZEV::ShaderProgramProxyOGL& proxy, const Census& before,
                   const ZEV::OGL::Program& program);

    size_t built() const { return built_; }
    size_t evicted() const { return evicted_; }

private:
    // The GL name each proxy's last lock returned, and the proxy that a
    // name was last given to: GL reuses the names of deleted programs.
    std::map<const ZEV::ShaderProgramProxyOGL*, unsigned int> nameOf_;
    std::map<unsigned int, const ZEV::ShaderProgramProxyOGL*> holderOf_;
    size_t built_ = 0;
    size_t evicted_ = 0;
};

}  // namespace ZevFilter
