// The GLSL texts of the filter passes. Each pass draws one full-screen quad
// into a framebuffer object; the fragment stage is the shared prelude
// followed by the filter's body. GLSL 1.10, so that old drivers run them.
#pragma once

#include "Filter.h"

namespace ZevFilter {

// The blur's weights are uniforms: at most this many on each side.
constexpr int kMaxBlurRadius = 30;
// Three sigmas must fit in kMaxBlurRadius.
constexpr int kMaxBlurSigma = 10;

const char* passVertexShader();
// #version, the uniforms every pass has, and fetch().
const char* fragmentPrelude();
// The body of the filter's pass; the blur's is one direction of it.
const char* fragmentBody(Filter filter);

}  // namespace ZevFilter
