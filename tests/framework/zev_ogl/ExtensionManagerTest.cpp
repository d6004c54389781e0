// Vendor and extension queries on the real driver, and their overrides.
#include "zev_ogl/ExtensionManager.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Context.h"

namespace ZEV::OGL {
namespace {

TEST(ExtensionManager, NeedsAContextForItsFirstQuery) {
    releaseCurrentContext();
    EXPECT_THROW(ExtensionManager::Instance()->isSupported(ExtensionManager::ARB_TEXTURE_FLOAT),
                 InternalException);
}

TEST(ExtensionManager, ReportsTheDriverAndHonoursOverrides) {
    ZEV::Test::callerContext().makeCurrent();
    ExtensionManager& manager = *ExtensionManager::Instance();
    EXPECT_EQ(&manager, ExtensionManager::Instance());
    EXPECT_FALSE(manager.rendererString().empty());
    // Every GL implementation the runtime runs on has these.
    EXPECT_TRUE(manager.isSupported(ExtensionManager::EXT_FRAMEBUFFER_OBJECT));
    EXPECT_TRUE(manager.isSupported(ExtensionManager::ARB_TEXTURE_FLOAT));
    EXPECT_TRUE(manager.isSupported(ExtensionManager::OPENGL_2_0));
    const bool npot = manager.isSupported(ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO);
    const auto vendor = manager.vendor();

    manager.overrideSupport(ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO, !npot);
    manager.overrideVendor(ExtensionManager::VENDOR_ATI);
    EXPECT_EQ(manager.isSupported(ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO), !npot);
    EXPECT_EQ(manager.vendor(), ExtensionManager::VENDOR_ATI);
    EXPECT_EQ(static_cast<int>(ExtensionManager::VENDOR_ATI), 2);
    manager.clearOverrides();
    EXPECT_EQ(manager.isSupported(ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO), npot);
    EXPECT_EQ(manager.vendor(), vendor);
    releaseCurrentContext();
}

}  // namespace
}  // namespace ZEV::OGL
