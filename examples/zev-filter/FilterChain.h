// The chain of GPU filters: each pass renders from one pooled image into
// another through the host's framebuffer object, with its GLSL program
// taken from a program proxy for the length of the pass. Passes work in the
// source's pixel format, so the upload decides the chain's precision.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "Filter.h"
#include "FilterShaders.h"
#include "FullScreenTriangle.h"
#include "RenderTarget.h"
#include "image_runtime/ShaderProgramProxyOGL.h"
#include "image_runtime/images/ImageGPU.h"

namespace ZevFilter {

class FilterChain {
public:
    // Needs the caller's context current, and the texture pool and shader
    // manager to exist for as long as the chain does.
    FilterChain(const std::vector<Filter>& filters, float sigma, FramebufferObject& framebuffer);

    // Runs every filter once; the result is a new pooled image, the source
    // is left as it was. Intermediate images go back to the pool at once.
    std::unique_ptr<ZEV::ImageGPU> run(const ZEV::ImageGPU& source);

private:
    // A filter as it runs: sepia is folded into the step before it, which
    // saves a full pass over the image and a rounding in 8-bit formats.
    struct Step {
        Filter filter;  // Sepia only when no other filter precedes it
        int sepiaTimes = 0;
    };

    std::unique_ptr<ZEV::ImageGPU> apply(const Step& step, const ZEV::ImageGPU& source);
    // original is bound as u_original when given.
    std::unique_ptr<ZEV::ImageGPU> pass(Stage stage, int sepiaTimes, const ZEV::ImageGPU& source,
                                        const ZEV::ImageGPU* original);
    ZEV::ShaderProgramProxyOGL& program(Stage stage, int sepiaTimes);

    std::vector<Step> steps_;
    std::vector<float> blurWeights_;  // centre first
    FramebufferObject& framebuffer_;
    FullScreenTriangle triangle_;
    std::map<std::pair<Stage, int>, ZEV::ShaderProgramProxyOGL> programs_;
};

}  // namespace ZevFilter
