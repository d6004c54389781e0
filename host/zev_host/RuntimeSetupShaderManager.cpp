// RuntimeSetup's access to the shader manager's private Create and Destroy.
#include "image_runtime/ShaderManagerOGL.h"
#include "zev_host/RuntimeSetup.h"

namespace ZEV {

void RuntimeSetup::createShaderManager() { ShaderManagerOGL::Create(); }

void RuntimeSetup::destroyShaderManager() { ShaderManagerOGL::Destroy(); }

}  // namespace ZEV
