// A GLX host built against the split GL libraries (libGLX + libOpenGL, no
// libGL.so.1): the runtime must see its context. The test command runs it
// under xvfb-run; without an X display it skips.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "image_runtime/images/ImageGPU.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Context.h"
#include "zev_ogl/Platform.h"

// Last: X11's macros (None, Bool, ...) would break the headers above.
#include <GL/glx.h>  // NOLINT(llvm-include-order)

namespace {

using namespace ZEV;

class GlxContext final : public OGL::Context {
public:
    GlxContext(Display* display, GLXFBConfig config) : display_(display) {
        const int attributes[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
        pbuffer_ = glXCreatePbuffer(display, config, attributes);
        context_ = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
    }
    ~GlxContext() override {
        glXDestroyContext(display_, context_);
        glXDestroyPbuffer(display_, pbuffer_);
    }
    void makeCurrent() override { glXMakeContextCurrent(display_, pbuffer_, pbuffer_, context_); }
    GLXContext handle() const { return context_; }

private:
    Display* display_;
    GLXPbuffer pbuffer_ = 0;
    GLXContext context_ = nullptr;
};

TEST(GlxHost, ThePoolWorksInTheHostsGlxContext) {
    // Left open: closing it unloads the GL driver, whose exit-time leftovers
    // leak checkers could then no longer attribute to it.
    static Display* const display = XOpenDisplay(nullptr);
    if (!display) GTEST_SKIP() << "no X display to run a GLX host on";
    const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT, None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), wanted, &count);
    ASSERT_GT(count, 0);
    {
        GlxContext context(display, configs[0]);
        context.makeCurrent();
        EXPECT_EQ(dlopen("libGL.so.1", RTLD_LAZY | RTLD_NOLOAD), nullptr);
        EXPECT_EQ(Platform::currentGLContext(), context.handle());

        TexturePool::Configuration configuration;
        configuration.setContext(&context);
        const ScopedTexturePool pool(configuration);
        {
            const ImageGPU image(IntegerRect(int2(0, 0), size2(8, 4)), ImageGPU::PIXEL_FORMAT_RGBA8,
                                 float2(1.0f, 1.0f));
            EXPECT_NE(image.texture()->objectID(), 0u);
            const OGL::ScopedContextWrapper saved;
            OGL::releaseCurrentContext();
            EXPECT_EQ(Platform::currentGLContext(), nullptr);
        }
        EXPECT_EQ(glXGetCurrentContext(), context.handle());
    }
    XFree(configs);
}

}  // namespace
