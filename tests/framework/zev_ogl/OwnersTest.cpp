// GL object owners on real GL: every name is deleted exactly once however it
// is moved, released or adopted. The state guards are checked where the pool
// and the images put the caller's state back.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/Program.h"
#include "zev_ogl/Texture.h"

namespace ZEV::OGL {
namespace {

using OwnersTest = ZEV::Test::GLTest;

// Moves, a move assignment over a live owner, release and wrap: the GL
// object exists exactly while one owner holds it (the fixture checks the
// live counts).
template <class Owner, class Make, class Wrap>
void expectSingleOwnership(Make make, Wrap wrap, GLboolean (*exists)(GLuint)) {
    Owner first = make(), other = make();
    const unsigned int name = first.objectID(), replaced = other.objectID();
    Owner moved(std::move(first));
    other = std::move(moved);
    // NOLINTNEXTLINE(bugprone-use-after-move): a moved-from owner holds 0
    EXPECT_EQ(first.objectID() + moved.objectID(), 0u);
    EXPECT_FALSE(exists(replaced));
    EXPECT_EQ(other.release(), name);
    EXPECT_EQ(other.objectID(), 0u);
    EXPECT_TRUE(exists(name));
    { const Owner adopted = wrap(name); }
    EXPECT_FALSE(exists(name));
}

TEST_F(OwnersTest, EachNameHasExactlyOneOwner) {
    const auto format = Texture::INTERNAL_FORMAT_RGBA8;
    expectSingleOwnership<Texture2D>(
        [&] { return Texture2D(format, 4, 4, false); },
        [&](GLuint name) { return Texture2D::wrap(name, format, 4, 4); }, glIsTexture);
    expectSingleOwnership<Program>([] { return Program(); }, &Program::wrap, glIsProgram);
    const auto bound = [] {  // a framebuffer object exists once it was bound
        FramebufferObject framebuffer;
        framebuffer.bind();
        return framebuffer;
    };
    expectSingleOwnership<FramebufferObject>(bound, &FramebufferObject::wrap, glIsFramebufferEXT);
}

}  // namespace
}  // namespace ZEV::OGL
