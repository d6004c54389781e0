// Headless contexts, share groups and saving/restoring the current context.
#include "zev_ogl/Context.h"

#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Platform.h"
#include "zev_ogl/Texture.h"

namespace ZEV::OGL {
namespace {

TEST(Context, HeadlessContextGivesACompatibilityProfile) {
    auto context = createHeadlessContext();
    context->makeCurrent();
    const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    EXPECT_NE(version.find("Compatibility"), std::string::npos) << version;
    EXPECT_GE(epoxy_gl_version(), 21);
    // Without a surface only framebuffer objects can be drawn into.
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_UNDEFINED));
    releaseCurrentContext();
    EXPECT_EQ(Platform::currentGLContext(), nullptr);
}

TEST(Context, TexturesAreSharedWithinAShareGroup) {
    auto first = createHeadlessContext();
    auto second = createHeadlessContext(first.get());
    auto stranger = createHeadlessContext();
    first->makeCurrent();
    {
        Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 2, 1, false);
        const unsigned char texels[8] = {10, 20, 30, 40, 50, 60, 70, 80};
        texture.subImage(0, 0, 0, 2, 1, Texture::FORMAT_RGBA, Texture::TYPE_UNSIGNED_BYTE, texels,
                         PixelUnpackParameters());
        glFinish();
        second->makeCurrent();
        EXPECT_TRUE(glIsTexture(texture.objectID()));
        const auto back = ZEV::Test::readTexture2D(texture.objectID(), 2, 1);
        EXPECT_NEAR(back[4] * 255.0f, 50.0f, 0.01f);
        stranger->makeCurrent();
        EXPECT_FALSE(glIsTexture(texture.objectID()));
        first->makeCurrent();
    }
    releaseCurrentContext();
}

TEST(Context, SharingNeedsAHeadlessPartner) {
    struct Foreign : Context {
        void makeCurrent() override {}
    } foreign;
    EXPECT_THROW(createHeadlessContext(&foreign), ParameterException);
}

TEST(ScopedContextWrapper, RestoresTheContextThatWasCurrent) {
    auto a = createHeadlessContext();
    auto b = createHeadlessContext(a.get());
    a->makeCurrent();
    const EGLContext contextA = eglGetCurrentContext();
    {
        ScopedContextWrapper wrapper;
        b->makeCurrent();
        EXPECT_NE(eglGetCurrentContext(), contextA);
    }
    EXPECT_EQ(eglGetCurrentContext(), contextA);

    // Also when the scope is left by an exception.
    try {
        ScopedContextWrapper wrapper;
        b->makeCurrent();
        throw std::runtime_error("leaving");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(eglGetCurrentContext(), contextA);
    releaseCurrentContext();
}

TEST(ScopedContextWrapper, RestoresNothingCurrent) {
    auto a = createHeadlessContext();
    releaseCurrentContext();
    ASSERT_EQ(Platform::currentGLContext(), nullptr);
    {
        ScopedContextWrapper wrapper;
        a->makeCurrent();
        EXPECT_NE(Platform::currentGLContext(), nullptr);
    }
    EXPECT_EQ(Platform::currentGLContext(), nullptr);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    { ScopedContextWrapper nothingChanged; }
    EXPECT_EQ(Platform::currentGLContext(), nullptr);
}

TEST(Context, DestroyingTheCurrentContextLeavesNothingCurrent) {
    {
        auto context = createHeadlessContext();
        context->makeCurrent();
        EXPECT_NE(Platform::currentGLContext(), nullptr);
    }
    EXPECT_EQ(Platform::currentGLContext(), nullptr);
}

}  // namespace
}  // namespace ZEV::OGL
