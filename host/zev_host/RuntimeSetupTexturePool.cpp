// RuntimeSetup's access to the texture pool's private Create and Destroy.
#include "zev_host/RuntimeSetup.h"

namespace ZEV {

void RuntimeSetup::createTexturePool(const TexturePool::Configuration& configuration) {
    TexturePool::Create(configuration);
}

void RuntimeSetup::destroyTexturePool() { TexturePool::Destroy(); }

}  // namespace ZEV
