// Shared pieces of the shader tests: a clock the test sets by hand, and a
// fixture with the caller context current, that clock installed and a shader
// manager created.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Platform.h"

namespace ZEV::Test {

// A performance counter in nanoseconds, like the monotonic clock's (the
// manager keeps the period of the first clock it reads in a process), that
// moves only when set; the tick count follows it in milliseconds. It can
// report no counter at all or fail one reading, and counts its readings.
class ManualClock : public Platform::ClockSource {
public:
    static constexpr int64_t kFrequency = 1000000000;
    void setSeconds(double seconds) {
        count = std::llround(seconds * static_cast<double>(kFrequency));
    }
    bool performanceFrequency(int64_t* frequency) override {
        ++readings[0];
        *frequency = hasCounter ? kFrequency : 0;
        return true;
    }
    bool performanceCounter(int64_t* value) override {
        ++readings[1];
        *value = count;
        return !std::exchange(failNextCounter, false);
    }
    uint32_t tickCount() override {
        ++readings[2];
        return static_cast<uint32_t>(count / 1000000);
    }

    int64_t count = 0;
    bool hasCounter = true, failNextCounter = false;
    std::array<int, 3> readings{};  // frequency, counter, tick count
};

class ShaderTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        Platform::setClockSource(&clock);
        RuntimeSetup::createShaderManager();
    }
    void TearDown() override {
        try {
            RuntimeSetup::destroyShaderManager();
        } catch (const InternalException&) {
            // The test destroyed the manager itself.
        }
        Platform::setClockSource(nullptr);
        GLTest::TearDown();
    }
    static ShaderManagerOGL& manager() { return *ShaderManagerOGL::Instance(); }
    ManualClock clock;
};

}  // namespace ZEV::Test
