// The one header a host includes: every public header of the image runtime
// and of the two framework modules it builds on.
#pragma once

#include "zev_core/Exceptions.h"
#include "zev_core/Logging.h"
#include "zev_core/Mutex.h"
#include "zev_core/Rect.h"
#include "zev_core/Vectors.h"
#include "zev_core/half.h"

#include "zev_ogl/Context.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/LiveObjects.h"
#include "zev_ogl/Program.h"
#include "zev_ogl/Texture.h"

#include "image_runtime/CPUProgressCallback.h"
#include "image_runtime/ConversionsWithPixelSize.h"
#include "image_runtime/FilteringStream.h"
#include "image_runtime/PixelSizePrinting.h"
#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "image_runtime/ShaderSourceOGL.h"
#include "image_runtime/TexturePool.h"
#include "image_runtime/VideoMemory.h"
#include "image_runtime/images/ImageAccessor.h"
#include "image_runtime/images/ImageBase.h"
#include "image_runtime/images/ImageCPU.h"
#include "image_runtime/images/ImageCPUUtils.h"
#include "image_runtime/images/ImageGPU.h"
#include "image_runtime/images/NullDeleter.h"
#include "image_runtime/images/PixelTypes.h"
#include "image_runtime/images/half.h"
