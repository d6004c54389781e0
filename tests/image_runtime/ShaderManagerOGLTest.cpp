// The shader manager's lifecycle, its refusals and its initial settings. The
// setters, the eviction walk, ageing, clearAll and restarts are checked
// against a model in ShaderManagerOGLModelTest.
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
    EXPECT_TRUE(manager.GetMaxNumShaders() == 128 && manager.GetShaderThreshold() == 98 &&
                manager.GetMaxShaderAge() == 60.0 && manager.GetNumShaders() == 0);
    manager.SetMaxShaderAge(-5.0);  // no negative ages
    EXPECT_EQ(manager.GetMaxShaderAge(), 0.0);
    RuntimeSetup::destroyShaderManager();
}

}  // namespace
}  // namespace ZEV
