// The process-wide keeper of the programs that program proxies stand for: it
// builds a proxy's program at a lock without one, counts the programs, and
// once too many exist deletes those that nobody has locked for a while.
// Created and destroyed only by the framework's set-up code (RuntimeSetup).
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "image_runtime/RuntimeStatistics.h"
#include "zev_core/Export.h"

namespace ZEV {

namespace OGL {
class Program;
}
class ShaderProgramProxyOGL;
class RuntimeSetup;

/// The programs it builds belong to their proxies; the manager deletes them
/// (evicting, clearing, or as it is destroyed) in whatever context is current,
/// which must then be the programs' context or one sharing it.
class ZEV_API ShaderManagerOGL {
public:
    ShaderManagerOGL(const ShaderManagerOGL&) = delete;
    ShaderManagerOGL& operator=(const ShaderManagerOGL&) = delete;

    /// The one manager; throws InternalException while none exists, never creates one.
    static ShaderManagerOGL* Instance();

    /// Builds the program of a proxy that has none, in the current context,
    /// and records the proxy, after evicting old programs if the count has
    /// reached the maximum. The proxy is borrowed and must unregister by
    /// being destroyed. LockOglProgram calls this; hosts need not.
    void RegisterShaderProgram(ShaderProgramProxyOGL* pProxy);
    /// Deletes the programs of all registered proxies that are not locked;
    /// the proxies rebuild them at their next lock.
    void clearAll();

    /// The setters run no eviction; new limits apply at the next build. Once
    /// the count reaches the maximum, a build first evicts programs idle for
    /// at least the maximum age, earliest built first, down to the threshold.
    /// A negative age counts as 0.
    ///@{
    double GetMaxShaderAge() const { return d_MaxShaderAge; }
    void SetMaxShaderAge(double seconds);
    uint32_t GetMaxNumShaders() const { return n_MaxNumShaders; }
    void SetMaxNumShaders(uint32_t n) { n_MaxNumShaders = n; }
    uint32_t GetShaderThreshold() const { return n_ShaderThreshold; }
    /// The threshold's setter carries the getter's name.
    void GetShaderThreshold(uint32_t n) { n_ShaderThreshold = n; }
    ///@}
    /// Programs built by this manager and not deleted since.
    uint32_t GetNumShaders() const { return n_Shaders; }

    /// Builds, rebuilds, evictions and build times of the manager that exists
    /// now, or of the last one once it is destroyed (all zero before the
    /// first). Needs no OpenGL context and no manager.
    static ShaderManagerStatistics Statistics();

protected:
    void UnRegisterShaderProgram(ShaderProgramProxyOGL* pProxy);
    void clearProgram(ShaderProgramProxyOGL* pProxy);
    void SetTimeStamp(ShaderProgramProxyOGL* pProxy);

private:
    friend class ShaderProgramProxyOGL;
    friend class RuntimeSetup;

    ShaderManagerOGL();
    ~ShaderManagerOGL();
    static void Create();
    static void Destroy();

    void RemoveOldShaders();
    // Deletes the proxy's program; registered says whether the proxy is known
    // to be in the registry (else it is looked up).
    void deleteProgram(ShaderProgramProxyOGL* pProxy, bool registered);

    uint32_t n_MaxNumShaders = 128;
    uint32_t n_ShaderThreshold = 98;
    uint32_t n_Shaders = 0;
    double d_MaxShaderAge = 60.0;
    std::list<ShaderProgramProxyOGL*> o_Proxies;
    // Programs left on their proxies by a failed build: they exist but were
    // never counted, so deleting them must not lower the count.
    std::vector<const OGL::Program*> o_UncountedPrograms;

    static ShaderManagerOGL* gpInstance_;
};

}  // namespace ZEV
