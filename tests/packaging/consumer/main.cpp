// The downstream program of the packaging tests: includes the umbrella header
// and the host kit from the installed tree, makes a headless context, calls
// GL through epoxy, catches an exception the library throws by its base
// class, and prints a rectangle.
#include <epoxy/gl.h>

#include <iostream>

#include "image_runtime/ImageRuntime.h"
#include "zev_host/RuntimeSetup.h"

int main() {
    const auto context = ZEV::OGL::createHeadlessContext();
    context->makeCurrent();
    std::cout << "renderer: " << (glGetString(GL_RENDERER) != nullptr ? "named" : "none") << "\n";
    ZEV::OGL::releaseCurrentContext();
    try {
        ZEV::OGL::Texture::GL2Filter(0);
        std::cout << "no exception\n";
    } catch (const ZEV::LogicalException& e) {
        const bool isParameter = dynamic_cast<const ZEV::ParameterException*>(&e) != nullptr;
        std::cout << "caught: " << (isParameter ? "ParameterException" : "other") << " from "
                  << e.file() << "\n";
    }
    std::cout << "rect: " << ZEV::IntegerRect(ZEV::int2(-3, 4), ZEV::size2(640, 480)) << "\n";
    return 0;
}
