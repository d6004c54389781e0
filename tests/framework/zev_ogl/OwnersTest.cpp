// GL object owners and scoped state guards on real GL: every name is deleted
// exactly once however it is moved, released or adopted, and every guard
// puts the caller's state back when an exception unwinds.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/Program.h"
#include "zev_ogl/ScopedBinding.h"
#include "zev_ogl/ScopedState.h"
#include "zev_ogl/Texture.h"

namespace ZEV::OGL {
namespace {

using OwnersTest = ZEV::Test::GLTest;

template <class Owner, class Make, class Wrap, class Exists>
void expectSingleOwnership(Make make, Wrap wrap, Exists exists) {
    Owner first = make();
    const unsigned int name = first.objectID();
    Owner moved(std::move(first));
    EXPECT_EQ(first.objectID(), 0u);
    Owner other = make();
    const unsigned int replaced = other.objectID();
    other = std::move(moved);
    EXPECT_FALSE(exists(replaced)) << "move assignment deletes the name it held";
    EXPECT_EQ(moved.objectID(), 0u);
    const unsigned int released = other.release();
    EXPECT_EQ(released, name);
    EXPECT_EQ(other.objectID(), 0u);
    {
        const Owner adopted = wrap(released);
        EXPECT_TRUE(exists(name)) << "release gives the name up without deleting it";
    }
    EXPECT_FALSE(exists(name));  // and the fixture checks the live counts
}

TEST_F(OwnersTest, EachNameHasExactlyOneOwner) {
    expectSingleOwnership<Texture2D>(
        [] { return Texture2D(Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false); },
        [](unsigned int name) {
            return Texture2D::wrap(name, Texture::INTERNAL_FORMAT_RGBA8, 4, 4);
        },
        [](unsigned int name) { return glIsTexture(name) == GL_TRUE; });
    expectSingleOwnership<Program>([] { return Program(); }, &Program::wrap,
                                   [](unsigned int name) { return glIsProgram(name) == GL_TRUE; });
    expectSingleOwnership<FramebufferObject>(
        [] {
            FramebufferObject framebuffer;
            const ScopedFramebufferBinding binding(framebuffer.objectID());  // binding creates it
            return framebuffer;
        },
        &FramebufferObject::wrap,
        [](unsigned int name) { return glIsFramebufferEXT(name) == GL_TRUE; });
}

TEST_F(OwnersTest, GuardsRestoreTheCallersStateWhenAnExceptionUnwinds) {
    Texture2D texture(Texture::INTERNAL_FORMAT_RGBA8, 4, 4, false);
    glViewport(1, 2, 3, 4);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 7);
    try {
        const FramebufferObject framebuffer;
        const ScopedFramebufferBinding binding(framebuffer.objectID());
        const ScopedTextureBinding textureBinding(GL_TEXTURE_2D, texture.objectID());
        const ScopedViewport viewport(0, 0, 16, 16);
        const ScopedClearColor clear(0.0f, 0.0f, 0.0f, 0.0f);
        const ScopedPixelUnpack unpack{PixelUnpackParameters()};
        throw 1;
    } catch (int) {
    }
    GLint viewport[4], alignment = 0, rowLength = 0, framebuffer = -1, bound = -1;
    GLfloat clear[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{1, 2, 3, 4}));
    EXPECT_EQ(std::vector<GLfloat>(clear, clear + 4),
              (std::vector<GLfloat>{0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 7);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_EQ(bound, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

}  // namespace
}  // namespace ZEV::OGL
