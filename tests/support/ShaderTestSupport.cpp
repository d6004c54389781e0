// Shared pieces of the shader tests.
#include "support/ShaderTestSupport.h"

#include <epoxy/gl.h>

#include <cmath>
#include <string>

#include "image_runtime/ShaderManagerOGL.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/LiveObjects.h"

namespace ZEV::Test {

void ManualClock::setSeconds(double seconds) {
    count_ = std::llround(seconds * static_cast<double>(kFrequency));
}

bool ManualClock::performanceFrequency(int64_t* frequency) {
    *frequency = kFrequency;
    return true;
}

bool ManualClock::performanceCounter(int64_t* count) {
    *count = count_;
    return true;
}

uint32_t ManualClock::tickCount() { return static_cast<uint32_t>(count_ / 1000000); }

void ShaderTest::SetUp() {
    GLTest::SetUp();
    Platform::setClockSource(&clock);
    RuntimeSetup::createShaderManager();
}

void ShaderTest::TearDown() {
    try {
        RuntimeSetup::destroyShaderManager();
    } catch (const InternalException&) {
        // The test destroyed the manager itself.
    }
    Platform::setClockSource(nullptr);
    GLTest::TearDown();
}

ShaderManagerOGL& ShaderTest::manager() { return *ShaderManagerOGL::Instance(); }

void addFlatColourTexts(ShaderProgramProxyOGL& proxy, float red) {
    proxy.add(VertexShaderSourceOGL("#version 110\nvoid main() { gl_Position = gl_Vertex; }\n"));
    proxy.add(FragmentShaderSourceOGL("#version 110\nvoid main() { gl_FragColor = vec4(" +
                                      std::to_string(red) + ", 0.0, 0.0, 1.0); }\n"));
}

unsigned int lockAndUnlock(ShaderProgramProxyOGL& proxy) {
    const unsigned int name = proxy.LockOglProgram()->objectID();
    proxy.UnlockOglProgram();
    return name;
}

bool isProgram(unsigned int name) { return glIsProgram(name) == GL_TRUE; }

size_t livePrograms() { return OGL::LiveObjects::count(OGL::ObjectKind::Program); }

}  // namespace ZEV::Test
