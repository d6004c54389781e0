// GLSL program wrapper over GL shader and program objects.
#include "zev_ogl/Program.h"

#include <epoxy/gl.h>

#include <string>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/LiveObjects.h"

namespace ZEV::OGL {

namespace {

constexpr const char* kSource = "zev_ogl/Program";

std::string shaderLog(GLuint shader) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) glGetShaderInfoLog(shader, length, nullptr, log.data());
    while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
    return log;
}

std::string programLog(GLuint program) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
    while (!log.empty() && (log.back() == '\0' || log.back() == '\n')) log.pop_back();
    return log;
}

}  // namespace

GLSLObject::~GLSLObject() = default;

Program::Program() {
    id_ = glCreateProgram();
    if (id_ == 0) throwAt<InternalException>(kSource, __LINE__, "glCreateProgram failed");
    LiveObjects::created(ObjectKind::Program);
}

Program::~Program() {
    for (const GLuint shader : shaders_) {
        glDetachShader(id_, shader);
        glDeleteShader(shader);
        LiveObjects::deleted(ObjectKind::Shader);
    }
    glDeleteProgram(id_);
    LiveObjects::deleted(ObjectKind::Program);
}

void Program::loadVertexShader(unsigned int count, const char** sources, int* lengths) {
    load(GL_VERTEX_SHADER, count, sources, lengths);
}

void Program::loadFragmentShader(unsigned int count, const char** sources, int* lengths) {
    load(GL_FRAGMENT_SHADER, count, sources, lengths);
}

void Program::load(unsigned int stage, unsigned int count, const char** sources, int* lengths) {
    const GLuint shader = glCreateShader(stage);
    if (shader == 0) throwAt<InternalException>(kSource, __LINE__, "glCreateShader failed");
    glShaderSource(shader, static_cast<GLsizei>(count), sources, lengths);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        const std::string log = shaderLog(shader);
        glDeleteShader(shader);
        const char* name = stage == GL_VERTEX_SHADER ? "vertex" : "fragment";
        throwAt<InternalException>(kSource, __LINE__,
                                   std::string(name) + " shader failed to compile: " + log);
    }
    glAttachShader(id_, shader);
    shaders_.push_back(shader);
    LiveObjects::created(ObjectKind::Shader);
}

void Program::link(bool releaseShaders) {
    glLinkProgram(id_);
    GLint linked = GL_FALSE;
    glGetProgramiv(id_, GL_LINK_STATUS, &linked);
    linked_ = linked == GL_TRUE;
    if (!linked_)
        throwAt<InternalException>(kSource, __LINE__, "program failed to link: " + programLog(id_));
    if (releaseShaders) {
        for (const GLuint shader : shaders_) {
            glDetachShader(id_, shader);
            glDeleteShader(shader);
            LiveObjects::deleted(ObjectKind::Shader);
        }
        shaders_.clear();
    }
}

int Program::uniformLocation(const char* name) const { return glGetUniformLocation(id_, name); }
int Program::attributeLocation(const char* name) const { return glGetAttribLocation(id_, name); }
void Program::use() const { glUseProgram(id_); }
void Program::useNone() { glUseProgram(0); }

}  // namespace ZEV::OGL
