// Shared pieces of the shader tests: a clock the test sets by hand, a fixture
// with the caller context current, that clock installed and a shader manager
// created, and small valid GLSL texts.
#pragma once

#include <cstdint>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "support/TestSupport.h"
#include "zev_ogl/Platform.h"

namespace ZEV::Test {

// A performance counter in nanoseconds, like the monotonic clock's (the
// manager keeps the period of the first clock it reads in a process), that
// moves only when set; the tick count follows it in milliseconds.
class ManualClock : public Platform::ClockSource {
public:
    static constexpr int64_t kFrequency = 1000000000;
    void setSeconds(double seconds);
    bool performanceFrequency(int64_t* frequency) override;
    bool performanceCounter(int64_t* count) override;
    uint32_t tickCount() override;

private:
    int64_t count_ = 0;
};

class ShaderTest : public GLTest {
protected:
    void SetUp() override;
    void TearDown() override;
    static ShaderManagerOGL& manager();
    ManualClock clock;
};

// A vertex and a fragment text that draw a quad in one flat colour.
void addFlatColourTexts(ShaderProgramProxyOGL& proxy, float red);

// Locks and unlocks the proxy (building it if need be); returns the GL name
// of its program.
unsigned int lockAndUnlock(ShaderProgramProxyOGL& proxy);

// Whether a GL program of this name exists now.
bool isProgram(unsigned int name);
size_t livePrograms();

}  // namespace ZEV::Test
