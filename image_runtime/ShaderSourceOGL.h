// GLSL source texts for a program proxy. The derived type says the stage a
// text belongs to; each object owns its own copy of the text.
#pragma once

#include <string>

#include "zev_core/Export.h"

namespace ZEV {

class ZEV_API ShaderSourceOGL {
public:
    explicit ShaderSourceOGL(const std::string& text);
    ShaderSourceOGL(const ShaderSourceOGL& other);
    ShaderSourceOGL& operator=(const ShaderSourceOGL& other);
    virtual ~ShaderSourceOGL();

    /// NUL-terminated; valid while this object lives and is not assigned to.
    const char* c_str() const { return s_Source.c_str(); }

private:
    std::string s_Source;
};

class ZEV_API VertexShaderSourceOGL : public ShaderSourceOGL {
public:
    explicit VertexShaderSourceOGL(const std::string& text);
    VertexShaderSourceOGL(const VertexShaderSourceOGL& other);
    VertexShaderSourceOGL& operator=(const VertexShaderSourceOGL& other);
    ~VertexShaderSourceOGL() override;
};

class ZEV_API FragmentShaderSourceOGL : public ShaderSourceOGL {
public:
    explicit FragmentShaderSourceOGL(const std::string& text);
    FragmentShaderSourceOGL(const FragmentShaderSourceOGL& other);
    FragmentShaderSourceOGL& operator=(const FragmentShaderSourceOGL& other);
    ~FragmentShaderSourceOGL() override;
};

}  // namespace ZEV
