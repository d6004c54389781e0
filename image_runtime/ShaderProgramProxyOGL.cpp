// The program proxy: lazy build at the first lock through the shader manager.
#include "image_runtime/ShaderProgramProxyOGL.h"

#include <sstream>

#include "image_runtime/ShaderManagerOGL.h"
#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/Platform.h"

namespace ZEV {

namespace {
constexpr const char* kSource = "image_runtime/ShaderProgramProxyOGL";
// The line that a failed lock reports: a fixed number hosts may match on.
constexpr int kLineLockFailed = 119;
}  // namespace

ShaderProgramProxyOGL::ShaderProgramProxyOGL() = default;

ShaderProgramProxyOGL::ShaderProgramProxyOGL(const ShaderProgramProxyOGL& other)
    : o_VertexSources(other.o_VertexSources), o_FragmentSources(other.o_FragmentSources) {}

ShaderProgramProxyOGL& ShaderProgramProxyOGL::operator=(const ShaderProgramProxyOGL& other) {
    if (this == &other) return *this;
    std::vector<VertexShaderSourceOGL> vertexSources(other.o_VertexSources);
    std::vector<FragmentShaderSourceOGL> fragmentSources(other.o_FragmentSources);
    if (p_ProgramObject) ShaderManagerOGL::Instance()->clearProgram(this);
    o_VertexSources.swap(vertexSources);
    o_FragmentSources.swap(fragmentSources);
    return *this;
}

// Callers destroy proxies before the manager, but a destructor must not
// throw. Without a manager nobody counts or registers this proxy any more, so
// the only thing left to do is delete a program that survived the manager
// (one that was locked when the manager was destroyed) rather than leak it.
ShaderProgramProxyOGL::~ShaderProgramProxyOGL() {
    if (ShaderManagerOGL* manager = ShaderManagerOGL::gpInstance_)
        manager->UnRegisterShaderProgram(this);
    else
        delete p_ProgramObject;
}

void ShaderProgramProxyOGL::add(const VertexShaderSourceOGL& source) {
    o_VertexSources.push_back(source);
    if (p_ProgramObject) ShaderManagerOGL::Instance()->clearProgram(this);
}

void ShaderProgramProxyOGL::add(const FragmentShaderSourceOGL& source) {
    o_FragmentSources.push_back(source);
    if (p_ProgramObject) ShaderManagerOGL::Instance()->clearProgram(this);
}

OGL::Program* ShaderProgramProxyOGL::LockOglProgram() {
    // Only building the program reaches GL, where a call with no context
    // current makes libepoxy abort the process; locking a built one does not.
    if (!p_ProgramObject) {
        if (Platform::currentGLContext() == nullptr)
            throwAt<InternalException>(kSource, __LINE__,
                                       "no OpenGL context is current: building a shader program "
                                       "needs the shader manager's context, or one sharing it, "
                                       "current");
        ShaderManagerOGL::Instance()->RegisterShaderProgram(this);
    }
    if (!p_ProgramObject) {
        std::ostringstream message;
        message << "The progam shader cannot be initialized.";
        throwAt<InternalException>(kSource, kLineLockFailed, message.str());
    }
    ++n_LockCount;
    ShaderManagerOGL::Instance()->SetTimeStamp(this);
    return p_ProgramObject;
}

void ShaderProgramProxyOGL::UnlockOglProgram() { n_LockCount = 0; }

ShaderProgramProxyOGLAutoLock::ShaderProgramProxyOGLAutoLock(ShaderProgramProxyOGL& proxy)
    : p_Proxy(proxy), p_LockedProgram(proxy.LockOglProgram()) {}

ShaderProgramProxyOGLAutoLock::~ShaderProgramProxyOGLAutoLock() { p_Proxy.UnlockOglProgram(); }

}  // namespace ZEV
