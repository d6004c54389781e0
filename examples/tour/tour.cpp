// A tour of the image runtime's API, the code example of the README: set
// the runtime up as a host does, fill a GPU image, build a GLSL program,
// copy the texture into a CPU image and read a pixel through an accessor,
// then tear everything down in the order the runtime needs.
#include <epoxy/gl.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "image_runtime/ImageRuntime.h"
#include "zev_host/RuntimeSetup.h"

// Last: X11's macros (None, Bool, ...) would break the headers above.
#include <epoxy/glx.h>  // NOLINT(llvm-include-order)

using namespace ZEV;

// A windowed host hands the runtime the GLX context it already has, wrapped
// so that the runtime can make it current; here a pixel buffer stands in for
// the host's window.
class HostGlxContext : public OGL::Context {
    static constexpr int kSize[] = {GLX_PBUFFER_WIDTH, 1, GLX_PBUFFER_HEIGHT, 1, None};

public:
    HostGlxContext(Display* display, GLXFBConfig config, const HostGlxContext* shareWith)
        : display_(display),
          buffer_(glXCreatePbuffer(display, config, kSize)),
          context_(glXCreateNewContext(display, config, GLX_RGBA_TYPE,
                                       shareWith ? shareWith->context_ : nullptr, True)) {}
    ~HostGlxContext() override {
        glXDestroyContext(display_, context_);
        glXDestroyPbuffer(display_, buffer_);
    }
    void makeCurrent() override { glXMakeContextCurrent(display_, buffer_, buffer_, context_); }

private:
    Display* display_;
    GLXPbuffer buffer_;
    GLXContext context_;
};

// Hears of the texture pool's video memory use.
class PrintingListener : public VideoMemory::VideoMemoryListener {
public:
    void memoryAllocated(size_t bytes) override { std::cout << "allocated " << bytes << " B\n"; }
    void memoryFreed(size_t bytes) override { std::cout << "freed " << bytes << " B\n"; }
};

int main() {
    try {
        // Two contexts in one share group: one to draw with, one in which
        // the pool creates its textures. The host's own on an X display,
        // else the runtime's headless ones.
        std::unique_ptr<OGL::Context> context, poolContext;
        const int wanted[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, None};
        int count = 0;
        Display* display = std::getenv("DISPLAY") ? XOpenDisplay(nullptr) : nullptr;
        GLXFBConfig* configs =
            display ? glXChooseFBConfig(display, DefaultScreen(display), wanted, &count) : nullptr;
        if (count > 0) {
            auto host = std::make_unique<HostGlxContext>(display, configs[0], nullptr);
            poolContext = std::make_unique<HostGlxContext>(display, configs[0], host.get());
            context = std::move(host);
        } else {
            context = OGL::createHeadlessContext();
            poolContext = OGL::createHeadlessContext(context.get());
        }
        if (configs) XFree(configs);
        std::cout << (count > 0 ? "GLX" : "headless") << " contexts\n";
        context->makeCurrent();

        // The two process-wide services, created by the host's set-up code.
        PrintingListener listener;
        TexturePool::Configuration configuration;
        configuration.setContext(poolContext.get());
        configuration.setVideoMemoryListener(&listener);
        // The guards destroy them again at the end of the scope, in reverse
        // order, after every image and proxy inside it is gone.
        const ScopedTexturePool pool(configuration);
        const ScopedShaderManager shaders;
        {
            // A GPU image takes its texture from the pool and fills it.
            const size2 size(64, 32);
            ImageGPU gpu(IntegerRect(int2(0, 0), size), ImageGPU::PIXEL_FORMAT_RGBA8,
                         float2(1.0f, 1.0f));
            std::vector<unsigned char> pixels;
            for (size_t p = 0; p < size.i * size.j; ++p)
                pixels.insert(pixels.end(), {255, 128, 0, 255});
            gpu.copyImageData(int2(0, 0), size, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data(),
                              float2(1.0f, 1.0f));
            std::cout << gpu;

            // A program proxy holds GLSL texts; the shader manager builds the
            // program at the first lock and may evict it once it is idle.
            ShaderProgramProxyOGL proxy;
            proxy.add(VertexShaderSourceOGL(
                "#version 130\nin vec4 a_position;\nvoid main() { gl_Position = a_position; }\n"));
            proxy.add(FragmentShaderSourceOGL(
                "#version 130\nout vec4 o_colour;\nvoid main() { o_colour = vec4(1.0); }\n"));
            {
                ShaderProgramProxyOGLAutoLock lock(proxy);
                std::cout << "program " << lock.getProgram()->objectID() << " is ready\n";
            }

            // The texture may be larger than the image (power-of-two sizes on
            // old drivers): a CPU image with that physical extent takes it all.
            ImageCPU cpu(ImageCPU::PIXEL_FORMAT_RGBA8, size.i, size.j, float2(1.0f, 1.0f), 0, 0,
                         gpu.physicalWidth(), gpu.physicalHeight());
            gpu.bind(0);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, cpu.pixels());
            gpu.unbind();
            ImageCPUReadAccessor reader(cpu);
            const float4 colour = reader.getRGBAFloat4PixelAt(10, 20);
            std::cout << "pixel (10, 20): " << colour[0] << " " << colour[1] << " " << colour[2]
                      << " " << colour[3] << "\n";
        }          // the proxy deletes its program, the image gives its texture back
        return 0;  // the manager goes, then the pool with its idle textures
    } catch (const std::exception& e) {
        std::cerr << "zev-tour: " << e.what() << "\n";
        return 1;
    }
}
