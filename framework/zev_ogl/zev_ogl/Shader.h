// The owner of one GL shader object: compiled from source text, deleted on
// destruction (GL keeps it alive while a program still has it attached).
// Movable; wrap() adopts a shader made elsewhere and release() gives it up.
#pragma once

#include "zev_core/Export.h"
#include "zev_ogl/Program.h"

namespace ZEV::OGL {

class ZEV_API Shader : public GLSLObject {
public:
    /// Creates an empty shader of stage (GL_VERTEX_SHADER, GL_FRAGMENT_SHADER, ...)
    /// in the current context; throws InternalException when GL cannot.
    explicit Shader(unsigned int stage);
    /// Adopts a shader made elsewhere; this owner deletes it in the end.
    static Shader wrap(unsigned int name);
    Shader(const Shader&) = delete;
    Shader& operator=(const Shader&) = delete;
    Shader(Shader&& other) noexcept;
    Shader& operator=(Shader&& other) noexcept;
    /// Deletes the shader in the current context, which must share it.
    ~Shader() override;
    /// Gives the shader up: the caller deletes it, and this owner holds 0.
    unsigned int release() noexcept;

    /// Compiles count sources (lengths null: NUL-terminated); throws
    /// InternalException with the info log on failure.
    void compile(unsigned int count, const char** sources, int* lengths);

private:
    struct AdoptName {};
    Shader(AdoptName, unsigned int name) noexcept;
    void destroy() noexcept;
};

}  // namespace ZEV::OGL
