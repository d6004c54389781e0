// Program proxies with programs compiled, linked and drawn with by Mesa: what
// a build is made of, refused adds and assignments, copies, and proxies
// without a manager. Counts, failed builds and the life of programs under
// eviction are ShaderManagerOGLModelTest's; the driver's log, ProgramTest's.
#include <epoxy/gl.h>
#include <gmock/gmock.h>

#include <array>
#include <memory>
#include <vector>

#include "support/ShaderTestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/ScopedBinding.h"
#include "zev_ogl/Texture.h"

namespace ZEV::Test {
namespace {

using testing::StrEq, testing::ThrowsMessage;
using Colour = std::array<long, 4>;  // in 255ths

// The vertex stage writes one colour to a varying and another to the fixed
// function's colour, so a drawing shows whether the fragment texts were used.
const char* const kHead = "#version 110\nvarying vec4 colour;\n";
const char* const kVertexMain =
    "void main() {\n"
    "    gl_Position = gl_Vertex;\n"
    "    colour = vec4(0.25, 0.5, 0.0, 1.0);\n"
    "    gl_FrontColor = vec4(0.5, 0.25, 0.0, 1.0);\n"
    "}\n";
// Loaded out of order the second definition of BLUE fails to compile; with
// the middle text dropped the default gives another colour.
const char* const kFragmentBlue = "#define BLUE 0.75\n";
const char* const kFragmentMain =
    "#ifndef BLUE\n#define BLUE 0.0\n#endif\n"
    "void main() { gl_FragColor = vec4(colour.rg, BLUE, 1.0); }\n";
const Colour kFixedFunction{128, 64, 0, 255};
const Colour kAllTexts{64, 128, 191, 255};

void addVertexTexts(ShaderProgramProxyOGL& proxy) {
    for (const char* text : {kHead, kVertexMain}) proxy.add(VertexShaderSourceOGL(text));
}

// Draws a quad over a 4x4 RGBA8 texture through a framebuffer object and
// reads one texel back.
Colour drawWith(const OGL::Program& program) {
    OGL::Texture2D target(OGL::Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false);
    {
        const OGL::FramebufferObject framebuffer;
        const OGL::ScopedFramebufferBinding binding(framebuffer.objectID());
        framebuffer.attachTexture2D(target.objectID());
        glViewport(0, 0, 4, 4);
        program.use();
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
        OGL::Program::useNone();
    }
    const std::vector<float> texels = readTexture2D(target.objectID(), 4, 4);
    Colour colour;
    for (size_t c = 0; c < 4; ++c) colour[c] = std::lround(texels[20 + c] * 255.0f);
    return colour;
}

const auto kLocked = ThrowsMessage<InternalException>(StrEq("pProxy->n_LockCount == 0"));

using ShaderProgramProxyOGLTest = ShaderTest;

TEST_F(ShaderProgramProxyOGLTest, BuildsFromEveryTextInOrderAndCopiesTakeTheTextsOnly) {
    auto proxy = std::make_unique<ShaderProgramProxyOGL>();
    addVertexTexts(*proxy);
    OGL::Program* const vertexOnly = proxy->LockOglProgram();
    // Refused while locked, an added text still joins the next build.
    EXPECT_THAT([&] { proxy->add(FragmentShaderSourceOGL(kHead)); }, kLocked);
    EXPECT_EQ(vertexOnly, proxy->LockOglProgram());
    EXPECT_EQ(kFixedFunction, drawWith(*vertexOnly));
    proxy->UnlockOglProgram();
    EXPECT_THAT([&] { manager().RegisterShaderProgram(proxy.get()); },
                ThrowsMessage<InternalException>(StrEq("!pProxy->p_ProgramObject")));
    for (const char* text : {kFragmentBlue, kFragmentMain})
        proxy->add(FragmentShaderSourceOGL(text));
    OGL::Program* built = nullptr;
    {
        ShaderProgramProxyOGLAutoLock lock(*proxy);
        built = lock.getProgram();
        EXPECT_EQ(kAllTexts, drawWith(*built));
    }
    ShaderProgramProxyOGL copy(*proxy);
    OGL::Program* const copied = copy.LockOglProgram();
    EXPECT_NE(copied, built);
    proxy.reset();
    EXPECT_EQ(kAllTexts, drawWith(*copied));

    // Assignment onto a locked proxy is refused; onto an idle one it drops
    // the program built from the old texts.
    ShaderProgramProxyOGL vertexTexts;
    addVertexTexts(vertexTexts);
    EXPECT_THAT([&] { copy = vertexTexts; }, kLocked);
    EXPECT_EQ(copied, copy.LockOglProgram());
    copy.UnlockOglProgram();
    const unsigned int copiedName = copied->objectID();
    copy = vertexTexts;
    EXPECT_FALSE(glIsProgram(copiedName));
    EXPECT_EQ(kFixedFunction, drawWith(*copy.LockOglProgram()));
}

// Destroying the manager keeps the programs of locked proxies; a failed
// AutoLock without a manager leaves its proxy locked.
TEST_F(ShaderProgramProxyOGLTest, WithoutAManagerNothingBuildsAndLockedProgramsStay) {
    ShaderProgramProxyOGL survivor, unbuilt;
    OGL::Program* const program = survivor.LockOglProgram();
    RuntimeSetup::destroyShaderManager();
    EXPECT_TRUE(glIsProgram(program->objectID()));
    EXPECT_THAT([&] { unbuilt.LockOglProgram(); },
                ThrowsMessage<InternalException>(StrEq("Enforce gpInstance_ != NULL")));
    EXPECT_THROW(ShaderProgramProxyOGLAutoLock lock(survivor), InternalException);
    RuntimeSetup::createShaderManager();
    EXPECT_THAT([&] { survivor.add(VertexShaderSourceOGL(kHead)); }, kLocked);
}

}  // namespace
}  // namespace ZEV::Test
