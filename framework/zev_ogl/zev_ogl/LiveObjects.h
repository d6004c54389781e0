// Counts of the GL objects that zev_ogl created and has not deleted yet, so
// that tests and hosts can see whether anything leaked.
#pragma once

#include <cstddef>

#include "zev_core/Export.h"

namespace ZEV::OGL {

enum class ObjectKind {
    Texture1D,
    Texture2D,
    Texture3D,
    TextureRECT,
    Program,
    Shader,
    Framebuffer,
    Count
};

/// Process-wide counts over every context. A name given up by release() no
/// longer counts; one adopted by wrap() counts from then on.
struct ZEV_API LiveObjects {
    static size_t count(ObjectKind kind);
    static size_t textures();  ///< all four texture kinds together
    /// Called by the wrappers as they create and delete GL objects.
    ///@{
    static void created(ObjectKind kind);
    static void deleted(ObjectKind kind);
    ///@}
};

}  // namespace ZEV::OGL
