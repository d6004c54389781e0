// The GLSL texts of the filter passes (GLSL 1.30). Every pass draws one
// full-screen triangle into a target of the source's size and computes its
// pixel from texels fetched by integer position, clamped to the image.
//
// Each stage has a program of its own with its direction and blur weights
// compiled in. On llvmpipe the taps then unroll into straight-line fetches;
// weights and directions as uniforms made a pass two to five times slower,
// more than the extra program builds cost (Mesa's shader cache keeps those).
//
// Only sepia clamps, its input and output to [0, 1], where its colour matrix
// is defined. Blur and sobel keep values above 1 (high dynamic range survives
// them), and unsharp clamps only below 0; 8-bit targets clamp to [0, 1] when
// they store.
#pragma once

#include <string>
#include <vector>

namespace ZevFilter {

// The blur's taps are compiled into its program: at most this many on each
// side.
constexpr int kMaxBlurRadius = 30;
// Three sigmas must fit in kMaxBlurRadius.
constexpr int kMaxBlurSigma = 10;

// What one pass computes. A filter is one or two stages; sepia, a colour
// matrix, rides at the end of the stage before it.
enum class Stage {
    Copy,            // the source as it is, so that sepia has a pass of its own
    BlurRows,        // one direction of the separable Gaussian
    BlurColumns,     // the other
    UnsharpColumns,  // the column blur of the row-blurred image, sharpening u_original
    Sobel,
};

const char* passVertexShader();

// The fragment stage of a pass. blurWeights (centre first, normalised so that
// a flat image stays flat) matter to the blur stages only; sepiaTimes is how
// often sepia toning follows the stage.
std::string passFragmentShader(Stage stage, const std::vector<float>& blurWeights, int sepiaTimes);

}  // namespace ZevFilter
