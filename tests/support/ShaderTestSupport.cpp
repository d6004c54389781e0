// Shared pieces of the shader tests.
#include "support/ShaderTestSupport.h"

#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV::Test {

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

}  // namespace ZEV::Test
