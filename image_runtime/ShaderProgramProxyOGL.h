// A GLSL program described by its source texts. The proxy holds no GL object
// until it is first locked; the shader manager then builds the program, may
// delete it again while the proxy is unlocked, and rebuilds it from the same
// texts at the next lock. ShaderProgramProxyOGLAutoLock locks for one scope.
#pragma once

#include <cstdint>
#include <vector>

#include "image_runtime/ShaderSourceOGL.h"
#include "zev_core/Export.h"
#include "zev_ogl/Program.h"

namespace ZEV {

class ShaderManagerOGL;

/// The proxy owns its program (through the manager); hosts never delete it.
class ZEV_API ShaderProgramProxyOGL {
public:
    /// Does not contact the manager: a proxy may exist before the manager does.
    ShaderProgramProxyOGL();
    /// A copy takes the texts only and starts unbuilt: a program has one owner,
    /// and sharing it would leave the survivor with a deleted program. Copies
    /// are still allowed so that classes holding a proxy stay copyable.
    ShaderProgramProxyOGL(const ShaderProgramProxyOGL& other);
    /// Takes the other's texts; a program built from the old texts is deleted
    /// first, in the current context. On a locked proxy this throws
    /// InternalException and leaves the proxy as it was.
    ShaderProgramProxyOGL& operator=(const ShaderProgramProxyOGL& other);
    /// Deletes the program, if any, in the current context (which must share
    /// it), and leaves the manager's registry. Throws nothing, even when no
    /// manager exists.
    virtual ~ShaderProgramProxyOGL();

    /// Append a text to its stage; a program already built is deleted, in the
    /// current context, so that the next lock builds from the whole new set.
    /// With a program built, the proxy must be unlocked (else InternalException,
    /// after the text is appended).
    ///@{
    void add(const VertexShaderSourceOGL& source);
    void add(const FragmentShaderSourceOGL& source);
    ///@}

    /// The linked program, built first when there is none. Needs the manager;
    /// building also needs a context current (the one the programs live in,
    /// or one sharing it). Each lack, and a failed build, is an InternalException.
    /// The program stays the proxy's; the pointer is valid until the next
    /// UnlockOglProgram of this proxy.
    OGL::Program* LockOglProgram();
    /// Locks do not nest: one unlock releases the proxy.
    void UnlockOglProgram();

private:
    friend class ShaderManagerOGL;

    std::vector<VertexShaderSourceOGL> o_VertexSources;
    std::vector<FragmentShaderSourceOGL> o_FragmentSources;
    OGL::Program* p_ProgramObject = nullptr;
    int32_t n_LockCount = 0;
    double d_TimeStamp = 0.0;
};

/// Locks a proxy for the lifetime of this object. If the lock throws, the
/// exception leaves the constructor and nothing is unlocked. The proxy is
/// borrowed and must outlive the lock.
class ZEV_API ShaderProgramProxyOGLAutoLock {
public:
    explicit ShaderProgramProxyOGLAutoLock(ShaderProgramProxyOGL& proxy);
    ShaderProgramProxyOGLAutoLock(const ShaderProgramProxyOGLAutoLock&) = delete;
    ShaderProgramProxyOGLAutoLock& operator=(const ShaderProgramProxyOGLAutoLock&) = delete;
    ~ShaderProgramProxyOGLAutoLock();

    /// The locked program, the proxy's; valid while this lock lives.
    OGL::Program* getProgram() { return p_LockedProgram; }

private:
    ShaderProgramProxyOGL& p_Proxy;
    OGL::Program* p_LockedProgram;
};

}  // namespace ZEV
