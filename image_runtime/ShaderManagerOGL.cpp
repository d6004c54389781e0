// The shader manager: registry in order of first build, eviction of old idle
// programs before a build, and the clock that stamps each lock.
#include "image_runtime/ShaderManagerOGL.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <unordered_set>

#include "image_runtime/ShaderProgramProxyOGL.h"
#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/Platform.h"
#include "zev_ogl/Program.h"

namespace ZEV {

namespace {

constexpr const char* kSource = "image_runtime/ShaderManagerOGL";

// The lines that the manager's exceptions report: fixed numbers that hosts
// may match on, whatever line of this file throws.
constexpr int kLineRegisterBuilt = 69;
constexpr int kLineClearLocked = 134;
constexpr int kLineInstance = 316;
constexpr int kLineCreateTwice = 323;
constexpr int kLineDestroyNone = 331;

// The counts of the one manager, and the proxies whose programs it evicted
// and has not built again yet; kept here so that the class keeps its layout.
ShaderManagerStatistics gStatistics;
std::unordered_set<const ShaderProgramProxyOGL*> gEvictedProxies;

enum class ClockMode { Unchosen, PerformanceCounter, TickCount };

ClockMode gClockMode = ClockMode::Unchosen;
double gCounterPeriod = 0.0;

// Seconds from an arbitrary origin. The source is chosen at the first reading
// and kept for the life of the process, so all time stamps share one origin.
double GetTimeInSeconds() {
    Platform::ClockSource& clock = Platform::clockSource();
    if (gClockMode == ClockMode::Unchosen) {
        gClockMode = ClockMode::TickCount;
        int64_t frequency = 0;
        if (clock.performanceFrequency(&frequency) && frequency > 0) {
            gClockMode = ClockMode::PerformanceCounter;
            gCounterPeriod = 1.0 / static_cast<double>(frequency);
        }
    }
    if (gClockMode == ClockMode::PerformanceCounter) {
        int64_t count = 0;
        if (clock.performanceCounter(&count)) return static_cast<double>(count) * gCounterPeriod;
    }
    return static_cast<double>(clock.tickCount()) * 0.001;
}

// The NUL-terminated texts of one stage, in the order they were added.
template <class Source>
std::vector<const char*> textsOf(const std::vector<Source>& sources) {
    std::vector<const char*> texts;
    texts.reserve(sources.size());
    for (const Source& source : sources) texts.push_back(source.c_str());
    return texts;
}

}  // namespace

ShaderManagerOGL* ShaderManagerOGL::gpInstance_ = nullptr;

ShaderManagerOGL::ShaderManagerOGL() = default;

// Programs of locked proxies survive; their proxies delete them later.
ShaderManagerOGL::~ShaderManagerOGL() { clearAll(); }

void ShaderManagerOGL::RegisterShaderProgram(ShaderProgramProxyOGL* pProxy) {
    RemoveOldShaders();
    if (pProxy->p_ProgramObject)
        throwAt<InternalException>(kSource, kLineRegisterBuilt, "!pProxy->p_ProgramObject");
    // Attached before loading: a failed build leaves it on the proxy, and the
    // next lock hands it out instead of failing the same way again.
    pProxy->p_ProgramObject = new OGL::Program();
    const auto start = std::chrono::steady_clock::now();
    try {
        if (!pProxy->o_VertexSources.empty()) {
            std::vector<const char*> texts = textsOf(pProxy->o_VertexSources);
            pProxy->p_ProgramObject->loadVertexShader(static_cast<unsigned int>(texts.size()),
                                                      texts.data(), nullptr);
        }
        if (!pProxy->o_FragmentSources.empty()) {
            std::vector<const char*> texts = textsOf(pProxy->o_FragmentSources);
            pProxy->p_ProgramObject->loadFragmentShader(static_cast<unsigned int>(texts.size()),
                                                        texts.data(), nullptr);
        }
        pProxy->p_ProgramObject->link(true);
    } catch (...) {
        o_UncountedPrograms.push_back(pProxy->p_ProgramObject);
        throw;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    pProxy->n_LockCount = 0;
    if (std::find(o_Proxies.begin(), o_Proxies.end(), pProxy) == o_Proxies.end())
        o_Proxies.push_back(pProxy);
    ++n_Shaders;
    ++gStatistics.programsBuilt;
    if (gEvictedProxies.erase(pProxy) != 0) ++gStatistics.programsRebuilt;
    gStatistics.totalBuildSeconds += seconds;
    gStatistics.longestBuildSeconds = std::max(gStatistics.longestBuildSeconds, seconds);
}

void ShaderManagerOGL::clearAll() {
    for (ShaderProgramProxyOGL* proxy : o_Proxies)
        if (proxy->n_LockCount == 0 && proxy->p_ProgramObject) deleteProgram(proxy, true);
}

void ShaderManagerOGL::SetMaxShaderAge(double seconds) {
    d_MaxShaderAge = seconds < 0.0 ? 0.0 : seconds;
}

void ShaderManagerOGL::UnRegisterShaderProgram(ShaderProgramProxyOGL* pProxy) {
    if (pProxy->p_ProgramObject) deleteProgram(pProxy, false);
    pProxy->p_ProgramObject = nullptr;
    pProxy->n_LockCount = 0;
    o_Proxies.remove(pProxy);
    gEvictedProxies.erase(pProxy);
}

void ShaderManagerOGL::clearProgram(ShaderProgramProxyOGL* pProxy) {
    if (pProxy->n_LockCount != 0)
        throwAt<InternalException>(kSource, kLineClearLocked, "pProxy->n_LockCount == 0");
    if (pProxy->p_ProgramObject) deleteProgram(pProxy, false);
}

void ShaderManagerOGL::SetTimeStamp(ShaderProgramProxyOGL* pProxy) {
    pProxy->d_TimeStamp = GetTimeInSeconds();
}

// Victims go in order of first build; the age only decides whether one may
// go. A time stamp ahead of now (the clock went back) counts by its distance.
void ShaderManagerOGL::RemoveOldShaders() {
    if (n_Shaders < n_MaxNumShaders) return;
    const double now = GetTimeInSeconds();
    for (ShaderProgramProxyOGL* proxy : o_Proxies) {
        if (proxy->n_LockCount != 0) continue;
        if (d_MaxShaderAge > std::fabs(now - proxy->d_TimeStamp)) continue;
        if (!proxy->p_ProgramObject) continue;
        deleteProgram(proxy, true);
        ++gStatistics.programsEvicted;
        gEvictedProxies.insert(proxy);
        if (n_Shaders <= n_ShaderThreshold) return;
    }
}

// Only programs whose build completed here are counted: the proxy entered the
// registry at its first completed build, and a later failed build is noted
// in o_UncountedPrograms. A program that outlived an earlier manager belongs
// to a proxy that is not in this registry. So the count never goes below zero.
void ShaderManagerOGL::deleteProgram(ShaderProgramProxyOGL* pProxy, bool registered) {
    OGL::Program* const program = pProxy->p_ProgramObject;
    bool counted =
        registered || std::find(o_Proxies.begin(), o_Proxies.end(), pProxy) != o_Proxies.end();
    const auto uncounted =
        std::find(o_UncountedPrograms.begin(), o_UncountedPrograms.end(), program);
    if (uncounted != o_UncountedPrograms.end()) {
        o_UncountedPrograms.erase(uncounted);
        counted = false;
    }
    delete program;
    pProxy->p_ProgramObject = nullptr;
    pProxy->n_LockCount = 0;
    if (counted) --n_Shaders;
}

ShaderManagerOGL* ShaderManagerOGL::Instance() {
    if (!gpInstance_)
        throwAt<InternalException>(kSource, kLineInstance, "Enforce gpInstance_ != NULL");
    return gpInstance_;
}

void ShaderManagerOGL::Create() {
    if (gpInstance_) throwAt<InternalException>(kSource, kLineCreateTwice, "gpInstance_ == 0");
    gpInstance_ = new ShaderManagerOGL();
    gStatistics = ShaderManagerStatistics();
    gEvictedProxies.clear();
}

ShaderManagerStatistics ShaderManagerOGL::Statistics() { return gStatistics; }

void ShaderManagerOGL::Destroy() {
    if (!gpInstance_)
        throwAt<InternalException>(kSource, kLineDestroyNone, "Enforce gpInstance_ != NULL");
    delete gpInstance_;
    gpInstance_ = nullptr;
}

}  // namespace ZEV
