// Program proxies with programs compiled, linked and drawn with by Mesa:
// build at the first lock, lock states, add, copies, destruction, failures.
#include <epoxy/gl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "support/ShaderTestSupport.h"
#include "zev_core/Exceptions.h"
#include "zev_host/RuntimeSetup.h"
#include "zev_ogl/Framebuffer.h"
#include "zev_ogl/Texture.h"

namespace ZEV::Test {
namespace {

using Colour = std::array<float, 4>;

// The vertex stage writes one colour to a varying and another to the fixed
// function's colour, so a drawing shows whether the fragment texts were used.
const char* const kVertexHead = "#version 110\nvarying vec4 colour;\n";
const char* const kVertexMain =
    "void main() {\n"
    "    gl_Position = gl_Vertex;\n"
    "    colour = vec4(0.25, 0.5, 0.0, 1.0);\n"
    "    gl_FrontColor = vec4(0.5, 0.25, 0.0, 1.0);\n"
    "}\n";
// Loaded out of order the second definition of BLUE fails to compile; with
// the middle text dropped the default gives another colour.
const char* const kFragmentHead = "#version 110\nvarying vec4 colour;\n";
const char* const kFragmentBlue = "#define BLUE 0.75\n";
const char* const kFragmentMain =
    "#ifndef BLUE\n#define BLUE 0.0\n#endif\n"
    "void main() { gl_FragColor = vec4(colour.rg, BLUE, 1.0); }\n";

const Colour kFixedFunctionColour{0.5f, 0.25f, 0.0f, 1.0f};
const Colour kAllTextsColour{0.25f, 0.5f, 0.75f, 1.0f};

void addVertexTexts(ShaderProgramProxyOGL& proxy) {
    proxy.add(VertexShaderSourceOGL(kVertexHead));
    proxy.add(VertexShaderSourceOGL(kVertexMain));
}

void addFragmentTexts(ShaderProgramProxyOGL& proxy) {
    proxy.add(FragmentShaderSourceOGL(kFragmentHead));
    proxy.add(FragmentShaderSourceOGL(kFragmentBlue));
    proxy.add(FragmentShaderSourceOGL(kFragmentMain));
}

// Draws a quad over a 4x4 RGBA8 texture through a framebuffer object and
// reads one texel back.
Colour drawWith(const OGL::Program& program) {
    OGL::Texture2D target(OGL::Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false);
    const unsigned int framebuffer = OGL::Framebuffer::generate();
    OGL::Framebuffer::bind(framebuffer);
    OGL::Framebuffer::attachTexture2D(target.objectID());
    glViewport(0, 0, 4, 4);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    program.use();
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    OGL::Program::useNone();
    OGL::Framebuffer::bind(0);
    OGL::Framebuffer::destroy(framebuffer);
    const std::vector<float> texels = readTexture2D(target.objectID(), 4, 4);
    return {texels[20], texels[21], texels[22], texels[23]};
}

void expectColour(const Colour& expected, const Colour& actual) {
    for (size_t c = 0; c < 4; ++c)
        EXPECT_NEAR(expected[c], actual[c], 1.0 / 255.0) << "channel " << c;
}

// The message of the InternalException that locking the proxy throws.
std::string lockFailure(ShaderProgramProxyOGL& proxy) {
    try {
        proxy.LockOglProgram();
    } catch (const InternalException& e) {
        return e.what();
    }
    return "nothing thrown";
}

constexpr const char* kManagerSource = "image_runtime/ShaderManagerOGL";

using ShaderProgramProxyOGLTest = ShaderTest;

TEST_F(ShaderProgramProxyOGLTest, BuildsAtFirstLockFromAllTextsOfEachStageInOrder) {
    const size_t programsBefore = livePrograms();
    ShaderProgramProxyOGL proxy, empty;
    addVertexTexts(proxy);
    EXPECT_EQ(programsBefore, livePrograms());

    OGL::Program* const vertexOnly = proxy.LockOglProgram();
    ASSERT_NE(nullptr, vertexOnly);
    EXPECT_EQ(1u, manager().GetNumShaders());
    expectColour(kFixedFunctionColour, drawWith(*vertexOnly));
    EXPECT_EQ(vertexOnly, proxy.LockOglProgram());
    EXPECT_EQ(programsBefore + 1, livePrograms());
    proxy.UnlockOglProgram();

    // The first add on the idle program deletes it at once; later adds find
    // the proxy unbuilt and leave the manager alone.
    const unsigned int oldName = vertexOnly->objectID();
    addFragmentTexts(proxy);
    EXPECT_FALSE(isProgram(oldName));
    EXPECT_EQ(0u, manager().GetNumShaders());
    EXPECT_EQ(programsBefore, livePrograms());
    {
        ShaderProgramProxyOGLAutoLock lock(proxy);
        expectColour(kAllTextsColour, drawWith(*lock.getProgram()));
        EXPECT_EQ(1u, manager().GetNumShaders());
    }
    // A proxy without texts links an empty program.
    EXPECT_TRUE(empty.LockOglProgram()->isLinked());
    EXPECT_EQ(2u, manager().GetNumShaders());
}

TEST_F(ShaderProgramProxyOGLTest, OneUnlockReleasesAnyNumberOfLocksAndDestructionDeletesAnyway) {
    auto proxy = std::make_unique<ShaderProgramProxyOGL>();
    addFlatColourTexts(*proxy, 1.0f);
    const unsigned int name = proxy->LockOglProgram()->objectID();
    proxy->LockOglProgram();
    manager().clearAll();
    EXPECT_TRUE(isProgram(name)) << "a locked program was deleted";
    proxy->UnlockOglProgram();
    manager().clearAll();
    EXPECT_FALSE(isProgram(name));
    EXPECT_EQ(0u, manager().GetNumShaders());
    {
        ShaderProgramProxyOGLAutoLock lock(*proxy);
        manager().clearAll();
        EXPECT_TRUE(isProgram(lock.getProgram()->objectID()));
    }
    manager().clearAll();
    EXPECT_EQ(0u, manager().GetNumShaders());

    // Destroying a locked proxy deletes its program; an unbuilt one changes
    // nothing.
    auto unbuilt = std::make_unique<ShaderProgramProxyOGL>();
    lockAndUnlock(*unbuilt);
    const unsigned int lockedName = proxy->LockOglProgram()->objectID();
    manager().clearAll();
    proxy.reset();
    EXPECT_FALSE(isProgram(lockedName));
    EXPECT_EQ(0u, manager().GetNumShaders());
    unbuilt.reset();
    EXPECT_EQ(0u, manager().GetNumShaders());
}

TEST_F(ShaderProgramProxyOGLTest, LockingABuiltProxyRunsNoEviction) {
    ShaderProgramProxyOGL built, idle, fresh;
    lockAndUnlock(built);
    const unsigned int idleName = lockAndUnlock(idle);
    manager().SetMaxNumShaders(0);
    manager().SetMaxShaderAge(0.0);

    built.LockOglProgram();
    EXPECT_TRUE(isProgram(idleName));
    EXPECT_EQ(2u, manager().GetNumShaders());
    fresh.LockOglProgram();  // a build: the walk deletes the first idle program
    EXPECT_FALSE(isProgram(idleName));
    EXPECT_EQ(2u, manager().GetNumShaders());
}

TEST_F(ShaderProgramProxyOGLTest, AddWhileLockedThrowsAndKeepsTheOldProgram) {
    ShaderProgramProxyOGL proxy;
    addVertexTexts(proxy);
    OGL::Program* const program = proxy.LockOglProgram();
    EXPECT_TRUE(throwsInternalAt([&] { proxy.add(FragmentShaderSourceOGL(kFragmentHead)); },
                                 kManagerSource, 134, "pProxy->n_LockCount == 0"));
    EXPECT_EQ(program, proxy.LockOglProgram());
    expectColour(kFixedFunctionColour, drawWith(*program));
    EXPECT_EQ(1u, manager().GetNumShaders());
    proxy.UnlockOglProgram();

    // The text appended by the refused add takes part in the next build.
    proxy.add(FragmentShaderSourceOGL(kFragmentBlue));
    proxy.add(FragmentShaderSourceOGL(kFragmentMain));
    ShaderProgramProxyOGLAutoLock lock(proxy);
    expectColour(kAllTextsColour, drawWith(*lock.getProgram()));
}

TEST_F(ShaderProgramProxyOGLTest, CopiesTakeTheTextsButNotTheProgram) {
    auto original = std::make_unique<ShaderProgramProxyOGL>();
    addVertexTexts(*original);
    addFragmentTexts(*original);
    const unsigned int originalName = lockAndUnlock(*original);

    const size_t programs = livePrograms();
    ShaderProgramProxyOGL copy(*original);
    EXPECT_EQ(programs, livePrograms());
    OGL::Program* const copied = copy.LockOglProgram();
    EXPECT_NE(originalName, copied->objectID());
    EXPECT_EQ(2u, manager().GetNumShaders());
    original.reset();
    EXPECT_EQ(1u, manager().GetNumShaders());
    expectColour(kAllTextsColour, drawWith(*copied));

    // Assignment onto a locked proxy is refused and changes nothing; onto an
    // idle one it drops the program built from the old texts.
    ShaderProgramProxyOGL vertexOnly;
    addVertexTexts(vertexOnly);
    EXPECT_TRUE(throwsInternalAt([&] { copy = vertexOnly; }, kManagerSource, 134,
                                 "pProxy->n_LockCount == 0"));
    EXPECT_EQ(copied, copy.LockOglProgram());
    copy.UnlockOglProgram();
    const unsigned int copiedName = copied->objectID();
    copy = vertexOnly;
    EXPECT_FALSE(isProgram(copiedName));
    EXPECT_EQ(0u, manager().GetNumShaders());
    expectColour(kFixedFunctionColour, drawWith(*copy.LockOglProgram()));
}

// Destroying the manager keeps the programs of locked proxies; they belong
// to no manager after that, and their proxies delete them without throwing.
TEST_F(ShaderProgramProxyOGLTest, LockedProgramsOutliveTheManager) {
    auto survivor = std::make_unique<ShaderProgramProxyOGL>();
    auto orphan = std::make_unique<ShaderProgramProxyOGL>();
    OGL::Program* const program = survivor->LockOglProgram();
    const unsigned int orphanName = orphan->LockOglProgram()->objectID();
    RuntimeSetup::destroyShaderManager();
    EXPECT_TRUE(isProgram(program->objectID()));

    // Without a manager an add on an unbuilt proxy still works, a lock does not.
    ShaderProgramProxyOGL unbuilt;
    unbuilt.add(VertexShaderSourceOGL(kVertexHead));
    EXPECT_TRUE(throwsInternalAt([&] { unbuilt.LockOglProgram(); }, kManagerSource, 316,
                                 "Enforce gpInstance_ != NULL"));
    orphan.reset();
    EXPECT_FALSE(isProgram(orphanName));

    // A failed AutoLock leaves the proxy locked: the add below is refused.
    EXPECT_THROW(ShaderProgramProxyOGLAutoLock lock(*survivor), InternalException);
    RuntimeSetup::createShaderManager();
    EXPECT_THROW(survivor->add(VertexShaderSourceOGL(kVertexHead)), InternalException);
    EXPECT_EQ(program, survivor->LockOglProgram());

    // The new manager never counted the survivor's program.
    ShaderProgramProxyOGL counted;
    counted.LockOglProgram();
    const unsigned int name = program->objectID();
    survivor.reset();
    EXPECT_FALSE(isProgram(name));
    EXPECT_EQ(1u, manager().GetNumShaders());
}

TEST_F(ShaderProgramProxyOGLTest, FailedBuildsThrowTheLogAndLeaveAnUncountedProgram) {
    ShaderProgramProxyOGL good, uncompilable, unlinkable;
    lockAndUnlock(good);
    uncompilable.add(FragmentShaderSourceOGL("#version 110\nvoid main() { gl_FragColor = 1; }\n"));
    unlinkable.add(FragmentShaderSourceOGL(
        "#version 110\nvec4 missing();\nvoid main() { gl_FragColor = missing(); }\n"));

    const size_t programs = livePrograms();
    const std::string compileLog = lockFailure(uncompilable);
    EXPECT_NE(std::string::npos, compileLog.find("fragment shader failed to compile: "))
        << compileLog;
    EXPECT_GT(compileLog.size(), 40u) << "no info log: " << compileLog;
    const std::string linkLog = lockFailure(unlinkable);
    EXPECT_NE(std::string::npos, linkLog.find("missing")) << linkLog;
    EXPECT_EQ(1u, manager().GetNumShaders());
    EXPECT_EQ(programs + 2, livePrograms());

    // The next lock hands out the program left behind, unlinked, unbuilt again.
    OGL::Program* const left = unlinkable.LockOglProgram();
    EXPECT_FALSE(left->isLinked());
    EXPECT_EQ(left, unlinkable.LockOglProgram());
    EXPECT_EQ(programs + 2, livePrograms());
    unlinkable.UnlockOglProgram();

    // Deleting the uncounted programs leaves the count of the good one alone.
    const unsigned int leftName = left->objectID();
    unlinkable.add(FragmentShaderSourceOGL("// another text\n"));
    EXPECT_FALSE(isProgram(leftName));
    EXPECT_EQ(1u, manager().GetNumShaders());
    good.add(VertexShaderSourceOGL("// another text\n"));
    EXPECT_EQ(0u, manager().GetNumShaders());
    uncompilable.add(FragmentShaderSourceOGL("// another text\n"));
    EXPECT_EQ(0u, manager().GetNumShaders());
    EXPECT_EQ(programs - 1, livePrograms());
}

}  // namespace
}  // namespace ZEV::Test
