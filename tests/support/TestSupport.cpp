// Shared test fixtures: contexts, read-back and live-object accounting.
#include "support/TestSupport.h"

#include <epoxy/gl.h>

#include <memory>
#include <sstream>

namespace ZEV::Test {

namespace {
// Made on first use and kept for the whole program; EGL is never terminated.
std::unique_ptr<OGL::Context>& callerSlot() {
    static std::unique_ptr<OGL::Context> context = OGL::createHeadlessContext();
    return context;
}
}  // namespace

OGL::Context& callerContext() { return *callerSlot(); }

OGL::Context& poolContext() {
    static std::unique_ptr<OGL::Context> context = OGL::createHeadlessContext(&callerContext());
    return *context;
}

LiveCounts LiveCounts::now() {
    LiveCounts result;
    for (size_t kind = 0; kind < result.counts.size(); ++kind)
        result.counts[kind] = OGL::LiveObjects::count(static_cast<OGL::ObjectKind>(kind));
    return result;
}

std::string LiveCounts::describe() const {
    static const char* const names[] = {"1D textures",        "2D textures", "3D textures",
                                        "rectangle textures", "programs",    "shaders",
                                        "framebuffers"};
    std::ostringstream s;
    for (size_t kind = 0; kind < counts.size(); ++kind)
        s << (kind ? ", " : "") << names[kind] << " " << counts[kind];
    return s.str();
}

void GLTest::SetUp() {
    poolContext();
    callerContext().makeCurrent();
    atStart_ = LiveCounts::now();
}

void GLTest::TearDown() {
    const LiveCounts atEnd = LiveCounts::now();
    EXPECT_TRUE(atEnd == atStart_)
        << "GL objects leaked: at start " << atStart_.describe() << "; at end " << atEnd.describe();
}

std::vector<float> readTexture2D(unsigned int texture, size_t width, size_t height) {
    std::vector<float> texels(width * height * 4);
    GLint previous = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    return texels;
}

}  // namespace ZEV::Test
