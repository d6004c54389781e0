// Clearing an enlarged texture whose framebuffer is incomplete. Without
// ARB_framebuffer_object Mesa cannot render to luminance textures, so this
// program takes that extension away before its contexts are made.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Framebuffer.h"

namespace ZEV {
namespace {

const bool kWithoutFramebufferObject =
    setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_framebuffer_object", 1) == 0;

using Test::PoolTest;
using Test::throwsWith;
constexpr auto LUMINANCE8 = OGL::Texture::INTERNAL_FORMAT_LUMINANCE8;

class TexturePoolFramebufferTest : public PoolTest {};

TEST_F(TexturePoolFramebufferTest, IncompleteFramebufferFailsAndKeepsTheTexture) {
    ASSERT_TRUE(kWithoutFramebufferObject);
    createPool(VideoMemory::kDefaultMaximumPoolSize, true);
    TexturePool& p = pool();
    const unsigned int callers = OGL::Framebuffer::generate();
    OGL::Framebuffer::bind(callers);

    EXPECT_TRUE(throwsWith<InternalException>([&] { p.getTexture2DFromPool(3, 3, LUMINANCE8); },
                                              "Invalid framebuffer due to programming error."));
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), callers);
    EXPECT_TRUE(callerIsCurrent());
    // The new texture was neither handed out nor leaked: it waits in the
    // free list, where the listener's accounting expects it.
    EXPECT_EQ(p.currentPoolSize(), 16u);
    EXPECT_EQ(listener.events.size(), 2u);

    // A power-of-two request of the same format needs no framebuffer.
    OGL::Texture2D* texture = p.getTexture2DFromPool(4, 4, LUMINANCE8);
    EXPECT_EQ(texture->width(0), 4u);
    EXPECT_EQ(p.currentPoolSize(), 0u);
    EXPECT_EQ(listener.events.size(), 2u);

    OGL::Framebuffer::bind(0);
    OGL::Framebuffer::destroy(callers);
    delete texture;
    destroyPool();
}

}  // namespace
}  // namespace ZEV
