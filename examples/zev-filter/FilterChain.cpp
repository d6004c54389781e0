// The GPU filter chain.
#include "FilterChain.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "FilterShaders.h"
#include "GLCheck.h"
#include "GpuTransfer.h"

namespace ZevFilter {

namespace {

// How strongly unsharp adds back the detail the blur removed.
constexpr float kUnsharpAmount = 1.0f;

// Normalised so that the centre plus twice the sides sum to one.
std::vector<float> gaussianWeights(float sigma) {
    const int radius = std::min(kMaxBlurRadius, static_cast<int>(std::ceil(3.0f * sigma)));
    std::vector<float> weights(static_cast<size_t>(radius) + 1);
    float sum = 0.0f;
    for (int i = 0; i <= radius; ++i) {
        const float w = std::exp(-static_cast<float>(i * i) / (2.0f * sigma * sigma));
        weights[static_cast<size_t>(i)] = w;
        sum += i == 0 ? w : 2.0f * w;
    }
    for (float& w : weights) w /= sum;
    return weights;
}

// The source of a pass on a texture unit, sampled texel by texel; unbound
// again at the end of the pass.
class SourceBinding {
public:
    SourceBinding(const ZEV::ImageGPU& image, unsigned int unit) : unit_(unit) {
        image.bind(unit);
        image.setFilter(GL_NEAREST, GL_NEAREST);
        image.setWrap(GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
    }
    ~SourceBinding() {
        glActiveTexture(GL_TEXTURE0 + unit_);
        glBindTexture(GL_TEXTURE_2D, 0);
        glActiveTexture(GL_TEXTURE0);
    }
    SourceBinding(const SourceBinding&) = delete;
    SourceBinding& operator=(const SourceBinding&) = delete;

private:
    unsigned int unit_;
};

// Unbinds the pass's program however the pass ends: the shader manager may
// delete it once the proxy is unlocked.
class ProgramInUse {
public:
    explicit ProgramInUse(const ZEV::OGL::Program& program) { program.use(); }
    ~ProgramInUse() { ZEV::OGL::Program::useNone(); }
    ProgramInUse(const ProgramInUse&) = delete;
    ProgramInUse& operator=(const ProgramInUse&) = delete;
};

void drawFullScreenQuad() {
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
}

}  // namespace

FilterChain::FilterChain(std::vector<Filter> filters, float sigma, FramebufferObject& framebuffer,
                         ProgramStats& programStats)
    : filters_(std::move(filters)),
      blurWeights_(gaussianWeights(sigma)),
      framebuffer_(framebuffer),
      programStats_(programStats) {
    for (const Filter filter : {Filter::Blur, Filter::Sobel, Filter::Sepia, Filter::Unsharp}) {
        ZEV::ShaderProgramProxyOGL& proxy = programs_[static_cast<size_t>(filter)];
        proxy.add(ZEV::VertexShaderSourceOGL(passVertexShader()));
        proxy.add(ZEV::FragmentShaderSourceOGL(fragmentPrelude()));
        proxy.add(ZEV::FragmentShaderSourceOGL(fragmentBody(filter)));
    }
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::run(const ZEV::ImageGPU& source) {
    std::unique_ptr<ZEV::ImageGPU> current;
    for (const Filter filter : filters_) current = apply(filter, current ? *current : source);
    return current;
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::apply(Filter filter, const ZEV::ImageGPU& source) {
    switch (filter) {
        case Filter::Blur: return blur(source);
        case Filter::Unsharp: {
            const std::unique_ptr<ZEV::ImageGPU> blurred = blur(source);
            return pass(Filter::Unsharp, source, blurred.get(), [](const ZEV::OGL::Program& p) {
                glUniform1i(p.uniformLocation("u_blurred"), 1);
                glUniform1f(p.uniformLocation("u_amount"), kUnsharpAmount);
            });
        }
        case Filter::Sobel:
        case Filter::Sepia: return pass(filter, source, nullptr, [](const ZEV::OGL::Program&) {});
    }
    return nullptr;
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::blur(const ZEV::ImageGPU& source) {
    const auto direction = [this](float x, float y) {
        return [this, x, y](const ZEV::OGL::Program& p) {
            glUniform2f(p.uniformLocation("u_direction"), x, y);
            glUniform1i(p.uniformLocation("u_radius"), static_cast<GLint>(blurWeights_.size()) - 1);
            glUniform1fv(p.uniformLocation("u_weights"), static_cast<GLsizei>(blurWeights_.size()),
                         blurWeights_.data());
        };
    };
    const std::unique_ptr<ZEV::ImageGPU> horizontal =
        pass(Filter::Blur, source, nullptr, direction(1.0f, 0.0f));
    return pass(Filter::Blur, *horizontal, nullptr, direction(0.0f, 1.0f));
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::pass(Filter filter, const ZEV::ImageGPU& source,
                                                 const ZEV::ImageGPU* second,
                                                 const SetUniforms& setUniforms) {
    auto target = std::make_unique<ZEV::ImageGPU>(source.domainOfDefinition(), kWorkingFormat,
                                                  source.pixelSize());
    ++imagesAcquired_;
    renderInto(framebuffer_, *target);

    ZEV::ShaderProgramProxyOGL& proxy = programs_[static_cast<size_t>(filter)];
    const ProgramStats::Census census = programStats_.beforeLock(proxy);
    ZEV::ShaderProgramProxyOGLAutoLock lock(proxy);
    const ZEV::OGL::Program& program = *lock.getProgram();
    programStats_.afterLock(proxy, census, program);

    const ProgramInUse inUse(program);
    const SourceBinding sourceBinding(source, 0);
    std::unique_ptr<SourceBinding> secondBinding;
    if (second) secondBinding = std::make_unique<SourceBinding>(*second, 1);
    glUniform1i(program.uniformLocation("u_source"), 0);
    glUniform2f(program.uniformLocation("u_texelSize"),
                1.0f / static_cast<float>(source.physicalWidth()),
                1.0f / static_cast<float>(source.physicalHeight()));
    glUniform2f(program.uniformLocation("u_imageSize"), static_cast<float>(source.width()),
                static_cast<float>(source.height()));
    setUniforms(program);
    drawFullScreenQuad();
    throwOnGLError(filterName(filter));
    return target;
}

}  // namespace ZevFilter
