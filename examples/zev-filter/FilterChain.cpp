// The GPU filter chain.
#include "FilterChain.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "GLCheck.h"

namespace ZevFilter {

namespace {

// Normalised so that the centre plus twice the sides sum to one.
std::vector<float> gaussianWeights(float sigma) {
    const int radius = std::min(kMaxBlurRadius, static_cast<int>(std::ceil(3.0f * sigma)));
    std::vector<float> weights(static_cast<size_t>(radius) + 1);
    double sum = 0.0;
    for (int i = 0; i <= radius; ++i) {
        const double w = std::exp(-static_cast<double>(i * i) / (2.0 * sigma * sigma));
        weights[static_cast<size_t>(i)] = static_cast<float>(w);
        sum += i == 0 ? w : 2.0 * w;
    }
    for (float& w : weights) w = static_cast<float>(w / sum);
    return weights;
}

// An input of a pass on a texture unit, unbound again at the end of the
// pass. Level 0 is all there is, so minification must not ask for mipmaps:
// an incomplete texture fetches as black.
class SourceBinding {
public:
    SourceBinding(const ZEV::ImageGPU& image, unsigned int unit) : unit_(unit) {
        image.bind(unit);
        image.setFilter(GL_NEAREST, GL_NEAREST);
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

const char* stageName(Stage stage) {
    switch (stage) {
        case Stage::Copy: return "sepia";
        case Stage::BlurRows:
        case Stage::BlurColumns: return "blur";
        case Stage::UnsharpColumns: return "unsharp";
        case Stage::Sobel: return "sobel";
    }
    return "filter";
}

}  // namespace

FilterChain::FilterChain(const std::vector<Filter>& filters, float sigma,
                         FramebufferObject& framebuffer)
    : blurWeights_(gaussianWeights(sigma)), framebuffer_(framebuffer) {
    for (const Filter filter : filters) {
        if (filter == Filter::Sepia && !steps_.empty())
            ++steps_.back().sepiaTimes;
        else
            steps_.push_back({filter, filter == Filter::Sepia ? 1 : 0});
    }
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::run(const ZEV::ImageGPU& source) {
    std::unique_ptr<ZEV::ImageGPU> current;
    for (const Step& step : steps_) current = apply(step, current ? *current : source);
    return current;
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::apply(const Step& step, const ZEV::ImageGPU& source) {
    switch (step.filter) {
        case Filter::Blur: {
            const std::unique_ptr<ZEV::ImageGPU> rows = pass(Stage::BlurRows, 0, source, nullptr);
            return pass(Stage::BlurColumns, step.sepiaTimes, *rows, nullptr);
        }
        case Filter::Unsharp: {
            const std::unique_ptr<ZEV::ImageGPU> rows = pass(Stage::BlurRows, 0, source, nullptr);
            return pass(Stage::UnsharpColumns, step.sepiaTimes, *rows, &source);
        }
        case Filter::Sobel: return pass(Stage::Sobel, step.sepiaTimes, source, nullptr);
        case Filter::Sepia: return pass(Stage::Copy, step.sepiaTimes, source, nullptr);
    }
    return nullptr;
}

ZEV::ShaderProgramProxyOGL& FilterChain::program(Stage stage, int sepiaTimes) {
    const auto [found, added] = programs_.try_emplace({stage, sepiaTimes});
    if (added) {
        found->second.add(ZEV::VertexShaderSourceOGL(passVertexShader()));
        found->second.add(
            ZEV::FragmentShaderSourceOGL(passFragmentShader(stage, blurWeights_, sepiaTimes)));
    }
    return found->second;
}

std::unique_ptr<ZEV::ImageGPU> FilterChain::pass(Stage stage, int sepiaTimes,
                                                 const ZEV::ImageGPU& source,
                                                 const ZEV::ImageGPU* original) {
    auto target = std::make_unique<ZEV::ImageGPU>(source.domainOfDefinition(), source.pixelFormat(),
                                                  source.pixelSize());
    renderInto(framebuffer_, *target);

    ZEV::ShaderProgramProxyOGL& proxy = program(stage, sepiaTimes);
    ZEV::ShaderProgramProxyOGLAutoLock lock(proxy);
    const ZEV::OGL::Program& program = *lock.getProgram();

    const ProgramInUse inUse(program);
    const SourceBinding sourceBinding(source, 0);
    glUniform1i(program.uniformLocation("u_source"), 0);
    glUniform2i(program.uniformLocation("u_last"), static_cast<GLint>(source.width()) - 1,
                static_cast<GLint>(source.height()) - 1);
    std::unique_ptr<SourceBinding> originalBinding;
    if (original) {
        originalBinding = std::make_unique<SourceBinding>(*original, 1);
        glUniform1i(program.uniformLocation("u_original"), 1);
    }
    triangle_.draw();
    throwOnGLError(stageName(stage));
    return target;
}

}  // namespace ZevFilter
