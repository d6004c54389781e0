// Vendor and extension queries on the real driver (the pool tests use the
// overrides). Its own program: the first query of the process is made
// without a context.
#include "zev_ogl/ExtensionManager.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Context.h"

namespace ZEV::OGL {
namespace {

TEST(ExtensionManager, NeedsAContextForItsFirstQueryThenReportsTheDriver) {
    ExtensionManager& manager = *ExtensionManager::Instance();
    releaseCurrentContext();
    EXPECT_THROW(manager.isSupported(ExtensionManager::ARB_TEXTURE_FLOAT), InternalException);
    ZEV::Test::callerContext().makeCurrent();
    EXPECT_FALSE(manager.vendorString().empty());  // the first query with a context
    for (const auto supported :
         {ExtensionManager::EXT_FRAMEBUFFER_OBJECT, ExtensionManager::ARB_TEXTURE_FLOAT,
          ExtensionManager::OPENGL_2_0, ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO})
        EXPECT_TRUE(manager.isSupported(supported)) << supported;
    releaseCurrentContext();
}

}  // namespace
}  // namespace ZEV::OGL
