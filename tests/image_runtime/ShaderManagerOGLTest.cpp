// The shader manager's lifecycle, its refusals and its initial settings. The
// eviction walk, ageing and clearAll are checked against a model in
// ShaderManagerOGLModelTest.
#include <gmock/gmock.h>

#include "image_runtime/ShaderManagerOGL.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV {
namespace {

using testing::StrEq, testing::ThrowsMessage;

TEST(ShaderManagerOGLLifecycle, CreateInstanceDestroyAndTheInitialSettings) {
    auto refused = [](auto call, const char* message) {
        EXPECT_THAT(call, ThrowsMessage<InternalException>(StrEq(message)));
    };
    refused([] { ShaderManagerOGL::Instance(); }, "Enforce gpInstance_ != NULL");
    refused([] { RuntimeSetup::destroyShaderManager(); }, "Enforce gpInstance_ != NULL");
    RuntimeSetup::createShaderManager();
    ShaderManagerOGL& manager = *ShaderManagerOGL::Instance();
    refused([] { RuntimeSetup::createShaderManager(); }, "gpInstance_ == 0");
    EXPECT_EQ(&manager, ShaderManagerOGL::Instance());
    manager.SetMaxNumShaders(3);
    manager.GetShaderThreshold(7);
    manager.SetMaxShaderAge(-5.0);  // no negative ages
    EXPECT_TRUE(manager.GetMaxNumShaders() == 3 && manager.GetShaderThreshold() == 7 &&
                manager.GetMaxShaderAge() == 0.0);
    RuntimeSetup::destroyShaderManager();

    RuntimeSetup::createShaderManager();
    const ShaderManagerOGL& fresh = *ShaderManagerOGL::Instance();
    EXPECT_TRUE(fresh.GetMaxNumShaders() == 128 && fresh.GetShaderThreshold() == 98 &&
                fresh.GetMaxShaderAge() == 60.0 && fresh.GetNumShaders() == 0);
    RuntimeSetup::destroyShaderManager();
}

}  // namespace
}  // namespace ZEV
