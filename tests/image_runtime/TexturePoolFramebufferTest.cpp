// Clearing an enlarged texture whose framebuffer is incomplete. Without
// ARB_framebuffer_object Mesa cannot render to luminance textures, so this
// program takes that extension away before its contexts are made.
#include <gmock/gmock.h>

#include <cstdlib>

#include "support/PoolFixture.h"
#include "zev_core/Exceptions.h"
#include "zev_ogl/Framebuffer.h"
#include "zev_ogl/FramebufferObject.h"

namespace ZEV {
namespace {

const bool kWithoutFramebufferObject =
    setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_framebuffer_object", 1) == 0;

using namespace Test;
constexpr auto LUMINANCE8 = OGL::Texture::INTERNAL_FORMAT_LUMINANCE8;

class TexturePoolFramebufferTest : public PoolTest {};

TEST_F(TexturePoolFramebufferTest, IncompleteFramebufferFailsAndKeepsTheTexture) {
    ASSERT_TRUE(kWithoutFramebufferObject);
    createPool(kDefaultLimit, true);
    const OGL::FramebufferObject callers;
    callers.bind();
    EXPECT_THAT([&] { pool().getTexture2DFromPool(3, 3, LUMINANCE8); },
                testing::ThrowsMessage<InternalException>(
                    testing::StrEq("Invalid framebuffer due to programming error.")));
    EXPECT_EQ(OGL::Framebuffer::currentBinding(), callers.objectID());
    EXPECT_TRUE(callerIsCurrent());
    // The new texture was neither handed out nor leaked: it waits in the
    // free list, where the listener's accounting expects it.
    EXPECT_EQ(pool().currentPoolSize(), 16u);
    EXPECT_EQ(listener.events, (Events{{IMPENDING, 16}, {ALLOCATED, 16}}));

    // A power-of-two request of the same format needs no framebuffer.
    OGL::Texture2D* texture = pool().getTexture2DFromPool(4, 4, LUMINANCE8);
    EXPECT_EQ(pool().currentPoolSize(), 0u);
    delete texture;
    destroyPool();
}

}  // namespace
}  // namespace ZEV
