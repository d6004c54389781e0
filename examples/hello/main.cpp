// A first host: creates a headless OpenGL context, prints the renderer, and
// prints a small image through the runtime's diagnostic output.
#include <epoxy/gl.h>

#include <iostream>

#include "image_runtime/ImageRuntime.h"

namespace {

// The smallest concrete image: its storage is exactly its size.
class PlainImage : public ZEV::ImageBase {
public:
    using ZEV::ImageBase::ImageBase;
    size_t physicalWidth() const override { return width(); }
    size_t physicalHeight() const override { return height(); }
    ZEV::size2 physicalSize() const override { return size(); }
};

}  // namespace

int main() {
    try {
        auto context = ZEV::OGL::createHeadlessContext();
        context->makeCurrent();
        std::cout << "GL vendor   : " << glGetString(GL_VENDOR) << "\n"
                  << "GL renderer : " << glGetString(GL_RENDERER) << "\n"
                  << "GL version  : " << glGetString(GL_VERSION) << "\n\n";
        const PlainImage image(ZEV::IntegerRect(ZEV::int2(-10, 20), ZEV::size2(640, 480)),
                               ZEV::float2(0.5f, 0.5f));
        std::cout << image;
        ZEV::OGL::releaseCurrentContext();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "zev-hello: " << e.what() << "\n";
        return 1;
    }
}
