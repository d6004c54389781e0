// Where the pool's textures belong. A texture name means something only in
// the share group that made it, so every texture a pool creates is recorded
// with its pool's share group. A texture that outlives its pool then never
// enters a later pool's free lists, and nothing deletes a texture in a
// context that does not share it: where no such context is at hand, the
// texture is kept, still counted as live, rather than deleted in the wrong
// group or with no context at all. Internal to the runtime library.
#pragma once

#include <memory>

#include "zev_ogl/Texture.h"

namespace ZEV::detail {

// A share group, told apart by a fence sync object made in it: sync objects
// are shared within a group and unknown to every other.
class ShareGroup {
public:
    // In the share group of the current context.
    ShareGroup();
    ~ShareGroup();
    ShareGroup(const ShareGroup&) = delete;
    ShareGroup& operator=(const ShareGroup&) = delete;

    // True when a context is current and it shares this group's textures.
    // Without sync objects (before OpenGL 3.2) any current context counts.
    bool sharedWithCurrentContext() const;

    // Called as the group's pool goes: its textures still handed out become
    // orphans, which no later pool takes.
    void poolDestroyed();
    bool hasPool() const { return bPoolAlive_; }

private:
    void* pMarker_ = nullptr;  // the GLsync
    bool bPoolAlive_ = true;
};

void recordOrigin(const OGL::Texture* texture, std::shared_ptr<ShareGroup> group);
// The pool deletes the texture, or it leaves the pool's hands for good.
void forgetOrigin(const OGL::Texture* texture);
// True for a texture made by a pool that no longer exists. O(1), and free
// of any look-up while no pool has been destroyed with textures handed out.
bool isOrphan(const OGL::Texture* texture);

// Deletes a texture that no pool takes back: in the current context when it
// shares the texture's group (or, for a texture of unknown origin, when any
// context is current); otherwise keeps it for the life of the process.
void disposeOutsidePool(std::unique_ptr<OGL::Texture> texture);

// Deletes a texture in the current context, or keeps it as above when no
// context is current.
void deleteOrKeep(std::unique_ptr<OGL::Texture> texture);
// Keeps a texture, counted as live, for the life of the process.
void keep(std::unique_ptr<OGL::Texture> texture);

}  // namespace ZEV::detail
