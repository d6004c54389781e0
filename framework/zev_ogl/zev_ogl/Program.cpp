// GLSL program and shader owners over GL shader and program objects.
#include "zev_ogl/Program.h"

#include <epoxy/gl.h>

#include <string>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/LiveObjects.h"
#include "zev_ogl/Shader.h"

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

Shader::Shader(unsigned int stage) {
    id_ = glCreateShader(stage);
    if (id_ == 0) throwAt<InternalException>(kSource, __LINE__, "glCreateShader failed");
    LiveObjects::created(ObjectKind::Shader);
}

Shader::Shader(AdoptName, unsigned int name) noexcept {
    id_ = name;
    if (id_ != 0) LiveObjects::created(ObjectKind::Shader);
}

Shader Shader::wrap(unsigned int name) { return Shader(AdoptName{}, name); }

Shader::Shader(Shader&& other) noexcept : GLSLObject(other) { other.id_ = 0; }

Shader& Shader::operator=(Shader&& other) noexcept {
    if (this != &other) {
        destroy();
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

Shader::~Shader() { destroy(); }

void Shader::destroy() noexcept {
    if (id_ == 0) return;
    glDeleteShader(id_);
    LiveObjects::deleted(ObjectKind::Shader);
    id_ = 0;
}

unsigned int Shader::release() noexcept {
    if (id_ != 0) LiveObjects::deleted(ObjectKind::Shader);
    return std::exchange(id_, 0);
}

void Shader::compile(unsigned int count, const char** sources, int* lengths) {
    glShaderSource(id_, static_cast<GLsizei>(count), sources, lengths);
    glCompileShader(id_);
    GLint compiled = GL_FALSE;
    glGetShaderiv(id_, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return;
    GLint stage = 0;
    glGetShaderiv(id_, GL_SHADER_TYPE, &stage);
    const char* name = stage == GL_VERTEX_SHADER ? "vertex" : "fragment";
    throwAt<InternalException>(kSource, __LINE__,
                               std::string(name) + " shader failed to compile: " + shaderLog(id_));
}

Program::Program() {
    id_ = glCreateProgram();
    if (id_ == 0) throwAt<InternalException>(kSource, __LINE__, "glCreateProgram failed");
    LiveObjects::created(ObjectKind::Program);
}

Program::Program(AdoptName, unsigned int name) {
    id_ = name;
    if (id_ == 0) return;
    LiveObjects::created(ObjectKind::Program);
    GLint linked = GL_FALSE;
    glGetProgramiv(id_, GL_LINK_STATUS, &linked);
    linked_ = linked == GL_TRUE;
}

Program Program::wrap(unsigned int name) { return Program(AdoptName{}, name); }

Program::Program(Program&& other) noexcept
    : GLSLObject(other),
      shaders_(std::move(other.shaders_)),
      linked_(std::exchange(other.linked_, false)) {
    other.id_ = 0;
    other.shaders_.clear();
}

Program& Program::operator=(Program&& other) noexcept {
    if (this != &other) {
        destroy();
        id_ = std::exchange(other.id_, 0);
        shaders_ = std::move(other.shaders_);
        other.shaders_.clear();
        linked_ = std::exchange(other.linked_, false);
    }
    return *this;
}

Program::~Program() { destroy(); }

void Program::detachShaders() noexcept {
    for (const Shader& shader : shaders_) glDetachShader(id_, shader.objectID());
    shaders_.clear();
}

void Program::destroy() noexcept {
    if (id_ == 0) return;
    detachShaders();
    glDeleteProgram(id_);
    LiveObjects::deleted(ObjectKind::Program);
    id_ = 0;
    linked_ = false;
}

unsigned int Program::release() noexcept {
    shaders_.clear();
    linked_ = false;
    if (id_ != 0) LiveObjects::deleted(ObjectKind::Program);
    return std::exchange(id_, 0);
}

void Program::loadVertexShader(unsigned int count, const char** sources, int* lengths) {
    load(GL_VERTEX_SHADER, count, sources, lengths);
}

void Program::loadFragmentShader(unsigned int count, const char** sources, int* lengths) {
    load(GL_FRAGMENT_SHADER, count, sources, lengths);
}

void Program::load(unsigned int stage, unsigned int count, const char** sources, int* lengths) {
    Shader shader(stage);
    shader.compile(count, sources, lengths);
    shaders_.reserve(shaders_.size() + 1);
    glAttachShader(id_, shader.objectID());
    shaders_.push_back(std::move(shader));
}

void Program::link(bool releaseShaders) {
    glLinkProgram(id_);
    GLint linked = GL_FALSE;
    glGetProgramiv(id_, GL_LINK_STATUS, &linked);
    linked_ = linked == GL_TRUE;
    if (!linked_)
        throwAt<InternalException>(kSource, __LINE__, "program failed to link: " + programLog(id_));
    if (releaseShaders) detachShaders();
}

int Program::uniformLocation(const char* name) const { return glGetUniformLocation(id_, name); }
int Program::attributeLocation(const char* name) const { return glGetAttribLocation(id_, name); }
void Program::use() const { glUseProgram(id_); }
void Program::useNone() { glUseProgram(0); }

}  // namespace ZEV::OGL
