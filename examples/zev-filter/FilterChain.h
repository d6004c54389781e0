// The chain of GPU filters: each pass renders from one pooled image into
// another through the host's framebuffer object, with its GLSL program
// taken from a program proxy for the length of the pass.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "Filter.h"
#include "ProgramStats.h"
#include "RenderTarget.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "image_runtime/images/ImageGPU.h"

namespace ZevFilter {

class FilterChain {
public:
    // Needs the caller's context current, and the texture pool and shader
    // manager to exist for as long as the chain does.
    FilterChain(std::vector<Filter> filters, float sigma, FramebufferObject& framebuffer,
                ProgramStats& programStats);

    // Runs every filter once; the result is a new pooled image, the source
    // is left as it was. Intermediate images go back to the pool at once.
    std::unique_ptr<ZEV::ImageGPU> run(const ZEV::ImageGPU& source);

    // Pooled images this chain asked for, counting reused ones.
    size_t imagesAcquired() const { return imagesAcquired_; }

private:
    using SetUniforms = std::function<void(const ZEV::OGL::Program&)>;

    std::unique_ptr<ZEV::ImageGPU> apply(Filter filter, const ZEV::ImageGPU& source);
    std::unique_ptr<ZEV::ImageGPU> blur(const ZEV::ImageGPU& source);
    // One pass of filter's program; second, if given, is bound as u_blurred.
    std::unique_ptr<ZEV::ImageGPU> pass(Filter filter, const ZEV::ImageGPU& source,
                                        const ZEV::ImageGPU* second,
                                        const SetUniforms& setUniforms);

    std::vector<Filter> filters_;
    std::vector<float> blurWeights_;  // centre first
    FramebufferObject& framebuffer_;
    ProgramStats& programStats_;
    std::array<ZEV::ShaderProgramProxyOGL, 4> programs_;  // by Filter
    size_t imagesAcquired_ = 0;
};

}  // namespace ZevFilter
