// GLSL program wrapper: compiles vertex and fragment stages from source text
// and links them; compile and link failures throw with the driver's info log.
#pragma once

#include <vector>

#include "zev_core/Export.h"

namespace ZEV::OGL {

class ZEV_API GLSLObject {
public:
    // Copying a GLSL object copies only its GL name; it never owns twice.
    GLSLObject(const GLSLObject& other) = default;
    GLSLObject& operator=(const GLSLObject& other) = default;
    virtual ~GLSLObject();
    unsigned int objectID() const { return id_; }

protected:
    GLSLObject() = default;
    unsigned int id_ = 0;
};

class ZEV_API Program : public GLSLObject {
public:
    static constexpr int nUnknownLocation = -1;

    Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Deletes the GL program and the shaders still attached to it.
    ~Program() override;

    // Compiles count sources (lengths null: NUL-terminated) as one stage and
    // attaches it; throws InternalException with the info log on failure.
    void loadVertexShader(unsigned int count, const char** sources, int* lengths);
    void loadFragmentShader(unsigned int count, const char** sources, int* lengths);
    // Links; with releaseShaders true the shader objects are detached and
    // deleted after a successful link (the program keeps working).
    void link(bool releaseShaders);

    bool isLinked() const { return linked_; }
    int uniformLocation(const char* name) const;
    int attributeLocation(const char* name) const;
    void use() const;
    static void useNone();

private:
    void load(unsigned int stage, unsigned int count, const char** sources, int* lengths);
    std::vector<unsigned int> shaders_;
    bool linked_ = false;
};

}  // namespace ZEV::OGL
