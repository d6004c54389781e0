// GL object owners and scoped state guards on real GL: every name is deleted
// exactly once however it is moved, released or adopted, and every guard
// puts the caller's state back when an exception unwinds.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/TestSupport.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/Program.h"
#include "zev_ogl/ScopedBinding.h"
#include "zev_ogl/ScopedState.h"
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

TEST_F(OwnersTest, GuardsRestoreTheCallersStateWhenAnExceptionUnwinds) {
    const auto state = [] {
        std::vector<float> values;
        for (GLenum query : {GL_VIEWPORT, GL_COLOR_CLEAR_VALUE, GL_UNPACK_ALIGNMENT,
                             GL_FRAMEBUFFER_BINDING_EXT, GL_TEXTURE_BINDING_2D}) {
            float value[4] = {};
            glGetFloatv(query, value);
            values.insert(values.end(), value, value + 4);
        }
        return values;
    };
    const Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false);
    const std::vector<float> before = state();
    try {
        const FramebufferObject framebuffer;
        const ScopedFramebufferBinding binding(framebuffer.objectID());
        const ScopedTextureBinding textureBinding(GL_TEXTURE_2D, texture.objectID());
        const ScopedViewport viewport(1, 2, 3, 4);
        const ScopedClearColor clear(0.25f, 0.5f, 0.75f, 1.0f);
        const ScopedPixelUnpack unpack{PixelUnpackParameters()};
        EXPECT_NE(state(), before);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(state(), before);
}

}  // namespace
}  // namespace ZEV::OGL
