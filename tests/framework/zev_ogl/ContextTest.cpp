// Headless contexts, share groups and saving/restoring the current context.
#include "zev_ogl/Context.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Platform.h"
#include "zev_ogl/Texture.h"

namespace ZEV::OGL {
namespace {

TEST(Context, HeadlessContextsShareWithinTheirGroupAndWrappersRestoreTheCurrentOne) {
    auto first = createHeadlessContext();
    auto second = createHeadlessContext(first.get());
    auto stranger = createHeadlessContext();
    first->makeCurrent();
    const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    EXPECT_NE(version.find("Compatibility"), std::string::npos) << version;
    // Without a surface only framebuffer objects can be drawn into.
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_UNDEFINED));
    {
        const Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 1, 1, false);
        glFinish();
        second->makeCurrent();
        EXPECT_TRUE(glIsTexture(texture.objectID()));
        stranger->makeCurrent();
        EXPECT_FALSE(glIsTexture(texture.objectID()));
        first->makeCurrent();
    }
    // A wrapper restores what was current, also when an exception unwinds,
    // and nothing current as nothing current.
    void* const current = Platform::currentGLContext();
    try {
        const ScopedContextWrapper wrapper;
        second->makeCurrent();
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Platform::currentGLContext(), current);
    releaseCurrentContext();
    {
        const ScopedContextWrapper wrapper;
        first->makeCurrent();
    }
    EXPECT_EQ(Platform::currentGLContext(), nullptr);
    struct Foreign : Context {
        void makeCurrent() override {}
    } foreign;
    EXPECT_THROW(createHeadlessContext(&foreign), ParameterException);
    // Destroying the current context leaves nothing current.
    createHeadlessContext()->makeCurrent();
    EXPECT_EQ(Platform::currentGLContext(), nullptr);
}

}  // namespace
}  // namespace ZEV::OGL
