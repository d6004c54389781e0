// Live GL object counters, one atomic per kind.
#include "zev_ogl/LiveObjects.h"

#include <array>
#include <atomic>

namespace ZEV::OGL {

namespace {
std::array<std::atomic<size_t>, static_cast<size_t>(ObjectKind::Count)> gCounts{};
}

size_t LiveObjects::count(ObjectKind kind) { return gCounts[static_cast<size_t>(kind)].load(); }

size_t LiveObjects::textures() {
    return count(ObjectKind::Texture1D) + count(ObjectKind::Texture2D) +
           count(ObjectKind::Texture3D) + count(ObjectKind::TextureRECT);
}

void LiveObjects::created(ObjectKind kind) { ++gCounts[static_cast<size_t>(kind)]; }
void LiveObjects::deleted(ObjectKind kind) { --gCounts[static_cast<size_t>(kind)]; }

}  // namespace ZEV::OGL
