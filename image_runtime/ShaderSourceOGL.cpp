// Out-of-line members of the shader source classes.
#include "image_runtime/ShaderSourceOGL.h"

namespace ZEV {

// The exported signature takes a reference, so the text is copied here.
ShaderSourceOGL::ShaderSourceOGL(const std::string& text)  // NOLINT(modernize-pass-by-value)
    : s_Source(text) {}
ShaderSourceOGL::ShaderSourceOGL(const ShaderSourceOGL& other) = default;
ShaderSourceOGL& ShaderSourceOGL::operator=(const ShaderSourceOGL& other) = default;
ShaderSourceOGL::~ShaderSourceOGL() = default;

VertexShaderSourceOGL::VertexShaderSourceOGL(const std::string& text) : ShaderSourceOGL(text) {}
VertexShaderSourceOGL::VertexShaderSourceOGL(const VertexShaderSourceOGL& other) = default;
VertexShaderSourceOGL& VertexShaderSourceOGL::operator=(const VertexShaderSourceOGL& other) =
    default;
VertexShaderSourceOGL::~VertexShaderSourceOGL() = default;

FragmentShaderSourceOGL::FragmentShaderSourceOGL(const std::string& text) : ShaderSourceOGL(text) {}
FragmentShaderSourceOGL::FragmentShaderSourceOGL(const FragmentShaderSourceOGL& other) = default;
FragmentShaderSourceOGL& FragmentShaderSourceOGL::operator=(const FragmentShaderSourceOGL& other) =
    default;
FragmentShaderSourceOGL::~FragmentShaderSourceOGL() = default;

}  // namespace ZEV
