// GLSL program wrapper: compiles vertex and fragment stages from source text
// and links them; compile and link failures throw with the driver's info log.
// A Program owns its GL program and the shaders it holds: movable, with
// wrap() to adopt a program made elsewhere and release() to give it up.
#pragma once

#include <utility>
#include <vector>

#include "zev_core/Export.h"

namespace ZEV::OGL {

/// The GL name of a shader or program.
class ZEV_API GLSLObject {
public:
    /// Copying a GLSL object copies only its GL name; it never owns twice.
    GLSLObject(const GLSLObject& other) = default;
    GLSLObject& operator=(const GLSLObject& other) = default;
    virtual ~GLSLObject();
    unsigned int objectID() const { return id_; }

protected:
    GLSLObject() = default;
    unsigned int id_ = 0;
};

class Shader;

/// Every member that reaches GL needs a context current that shares the
/// program (the one that made it, or one in its share group).
class ZEV_API Program : public GLSLObject {
public:
    /// What the location queries return for a name the program does not use.
    static constexpr int nUnknownLocation = -1;

    /// Creates an empty program in the current context; throws InternalException when GL cannot.
    Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    Program(Program&& other) noexcept;
    Program& operator=(Program&& other) noexcept;
    /// Adopts a program made elsewhere (its link status is asked of GL); this
    /// wrapper deletes it in the end.
    static Program wrap(unsigned int name);
    /// Gives the program up (its shaders stay attached and go with it): the
    /// caller deletes it, and this wrapper holds 0.
    unsigned int release() noexcept;
    /// Deletes the GL program and the shaders still attached to it.
    ~Program() override;

    /// Compiles count sources (lengths null: NUL-terminated) as one stage and
    /// attaches it; throws InternalException with the info log on failure. The
    /// sources are only read during the call.
    ///@{
    void loadVertexShader(unsigned int count, const char** sources, int* lengths);
    void loadFragmentShader(unsigned int count, const char** sources, int* lengths);
    ///@}
    /// Links; with releaseShaders true the shader objects are detached and
    /// deleted after a successful link (the program keeps working). Throws
    /// InternalException with the info log when linking fails.
    void link(bool releaseShaders);

    bool isLinked() const { return linked_; }
    /// nUnknownLocation when the linked program has no such active variable.
    ///@{
    int uniformLocation(const char* name) const;
    int attributeLocation(const char* name) const;
    ///@}
    /// Makes this program current; nothing puts the previous one back.
    void use() const;
    /// Makes no program current.
    static void useNone();

private:
    struct AdoptName {};
    Program(AdoptName, unsigned int name);
    void load(unsigned int stage, unsigned int count, const char** sources, int* lengths);
    void destroy() noexcept;
    void detachShaders() noexcept;
    std::vector<Shader> shaders_;
    bool linked_ = false;
};

}  // namespace ZEV::OGL
