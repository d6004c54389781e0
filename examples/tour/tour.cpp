// A tour of the image runtime's API, the code example of the README: set
// the runtime up as a host does, fill a GPU image, build a GLSL program,
// copy the texture into a CPU image and read a pixel through an accessor,
// then tear everything down in the order the runtime needs.
#include <epoxy/gl.h>

#include <iostream>
#include <vector>

#include "image_runtime/ImageRuntime.h"
#include "zev_host/RuntimeSetup.h"

using namespace ZEV;

// Hears of the texture pool's video memory use.
class PrintingListener : public VideoMemory::VideoMemoryListener {
public:
    void memoryAllocated(size_t bytes) override { std::cout << "allocated " << bytes << " B\n"; }
    void memoryFreed(size_t bytes) override { std::cout << "freed " << bytes << " B\n"; }
};

int main() {
    try {
        // Two headless contexts in one share group: one to draw with, one
        // in which the pool creates its textures.
        const auto context = OGL::createHeadlessContext();
        const auto poolContext = OGL::createHeadlessContext(context.get());
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
            proxy.add(VertexShaderSourceOGL("void main() { gl_Position = gl_Vertex; }\n"));
            proxy.add(FragmentShaderSourceOGL("void main() { gl_FragColor = vec4(1.0); }\n"));
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
