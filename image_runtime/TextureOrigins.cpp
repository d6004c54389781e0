// Texture origins: the share group marker, the record of the textures pools
// made, and the disposal of textures that no pool takes back.
#include "image_runtime/TextureOrigins.h"

#include <epoxy/gl.h>

#include <unordered_map>
#include <utility>
#include <vector>

#include "zev_ogl/Platform.h"

namespace ZEV::detail {

namespace {

struct Origins {
    std::unordered_map<const OGL::Texture*, std::shared_ptr<ShareGroup>> groups;
    // Entries whose group has lost its pool.
    size_t orphans = 0;
    // Textures that could not be deleted in their group.
    std::vector<std::unique_ptr<OGL::Texture>> kept;
};

// Never destroyed: nothing here may be deleted during exit, with whatever
// context is current then, and kept textures must stay reachable.
Origins& origins() {
    static auto* const instance = new Origins;
    return *instance;
}

}  // namespace

ShareGroup::ShareGroup() {
    if (epoxy_gl_version() >= 32 || epoxy_has_gl_extension("GL_ARB_sync"))
        pMarker_ = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
}

ShareGroup::~ShareGroup() {
    if (pMarker_ != nullptr && sharedWithCurrentContext())
        glDeleteSync(static_cast<GLsync>(pMarker_));
}

bool ShareGroup::sharedWithCurrentContext() const {
    if (Platform::currentGLContext() == nullptr) return false;
    return pMarker_ == nullptr || glIsSync(static_cast<GLsync>(pMarker_)) == GL_TRUE;
}

void ShareGroup::poolDestroyed() {
    bPoolAlive_ = false;
    for (const auto& entry : origins().groups)
        if (entry.second.get() == this) ++origins().orphans;
}

void recordOrigin(const OGL::Texture* texture, std::shared_ptr<ShareGroup> group) {
    forgetOrigin(texture);
    origins().groups.emplace(texture, std::move(group));
}

void forgetOrigin(const OGL::Texture* texture) {
    Origins& all = origins();
    const auto found = all.groups.find(texture);
    if (found == all.groups.end()) return;
    if (!found->second->hasPool()) --all.orphans;
    all.groups.erase(found);
}

bool isOrphan(const OGL::Texture* texture) {
    const Origins& all = origins();
    if (all.orphans == 0) return false;
    const auto found = all.groups.find(texture);
    return found != all.groups.end() && !found->second->hasPool();
}

void disposeOutsidePool(std::unique_ptr<OGL::Texture> texture) {
    Origins& all = origins();
    const auto found = all.groups.find(texture.get());
    if (found == all.groups.end()) {
        deleteOrKeep(std::move(texture));
        return;
    }
    const std::shared_ptr<ShareGroup> group = found->second;
    forgetOrigin(texture.get());
    if (group->sharedWithCurrentContext())
        texture.reset();
    else
        keep(std::move(texture));
}

void keep(std::unique_ptr<OGL::Texture> texture) {
    forgetOrigin(texture.get());
    origins().kept.push_back(std::move(texture));
}

void deleteOrKeep(std::unique_ptr<OGL::Texture> texture) {
    forgetOrigin(texture.get());
    if (Platform::currentGLContext() != nullptr)
        texture.reset();
    else
        keep(std::move(texture));
}

}  // namespace ZEV::detail
