// The set-up guards: what they create is gone after their scope, also when
// the scope is left by an exception, and an explicit destroy is not repeated.
#include <gtest/gtest.h>

#include "image_runtime/ShaderManagerOGL.h"
#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV {
namespace {

using ScopedSetupTest = ZEV::Test::GLTest;

TEST_F(ScopedSetupTest, TheSingletonsGoWithTheirGuards) {
    TexturePool::Configuration configuration;
    configuration.setContext(&ZEV::Test::poolContext());
    try {
        const ScopedTexturePool pool(configuration);
        const ScopedShaderManager shaders;
        TexturePool::Instance()->returnTexture2DToPool(
            TexturePool::Instance()->getTexture2DFromPool(8, 8,
                                                          OGL::Texture::INTERNAL_FORMAT_RGBA8));
        throw std::runtime_error("host failure");
    } catch (const std::runtime_error&) {
    }
    EXPECT_THROW(TexturePool::Instance(), InternalException);
    EXPECT_THROW(ShaderManagerOGL::Instance(), InternalException);

    ScopedShaderManager shaders;
    shaders.destroy();
    RuntimeSetup::createShaderManager();  // the guard's destructor must leave this one alone
    EXPECT_NO_THROW(ShaderManagerOGL::Instance());
    RuntimeSetup::destroyShaderManager();
}

}  // namespace
}  // namespace ZEV
