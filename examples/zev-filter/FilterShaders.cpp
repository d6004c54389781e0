// GLSL sources of the filter passes.
#include "FilterShaders.h"

#include <cstdio>

namespace ZevFilter {

// The triangle covers the viewport with its three vertices at (-1, -1),
// (3, -1) and (-1, 3); it needs no vertex buffer.
const char* passVertexShader() {
    return R"(#version 130
void main() {
    vec2 corner = vec2(float((gl_VertexID & 1) << 2), float((gl_VertexID & 2) << 1));
    gl_Position = vec4(corner - 1.0, 0.0, 1.0);
}
)";
}

namespace {

// Texel positions are integers: the target has the source's size, so the
// fragment at (x + 0.5, y + 0.5) computes texel (x, y). Positions are
// clamped to the image, not the texture, which a pool may hand out larger.
const char* const kPrelude = R"(#version 130
uniform sampler2D u_source;
uniform ivec2 u_last;
out vec4 o_colour;

vec4 at(sampler2D image, ivec2 p) {
    return texelFetch(image, clamp(p, ivec2(0), u_last), 0);
}

float luma(vec4 colour) {
    return dot(colour.rgb, vec3(0.299, 0.587, 0.114));
}

// Defined on [0, 1] both ways; clamping the input as well makes a folded
// sepia equal to one that follows an 8-bit pass.
vec4 sepia(vec4 colour) {
    vec4 c = clamp(colour, 0.0, 1.0);
    vec3 toned = vec3(dot(c.rgb, vec3(0.393, 0.769, 0.189)),
                      dot(c.rgb, vec3(0.349, 0.686, 0.168)),
                      dot(c.rgb, vec3(0.272, 0.534, 0.131)));
    return vec4(clamp(toned, 0.0, 1.0), c.a);
}
)";

const char* const kCopy = R"(
vec4 filtered(ivec2 p) {
    return texelFetch(u_source, p, 0);
}
)";

const char* const kBlurFiltered = R"(
vec4 filtered(ivec2 p) {
    return blurred(p);
}
)";

// The original plus what the blur took away from it (amount 1); alpha is
// the original's.
const char* const kUnsharpFiltered = R"(
uniform sampler2D u_original;

vec4 filtered(ivec2 p) {
    vec4 original = texelFetch(u_original, p, 0);
    return vec4(max(2.0 * original.rgb - blurred(p).rgb, 0.0), original.a);
}
)";

// Gradient magnitude of the luma, as grey; alpha is kept.
const char* const kSobel = R"(
float lumaAt(ivec2 p, int dx, int dy) {
    return luma(at(u_source, p + ivec2(dx, dy)));
}

vec4 filtered(ivec2 p) {
    float gx = lumaAt(p, 1, 1) + 2.0 * lumaAt(p, 1, 0) + lumaAt(p, 1, -1)
             - lumaAt(p, -1, 1) - 2.0 * lumaAt(p, -1, 0) - lumaAt(p, -1, -1);
    float gy = lumaAt(p, -1, 1) + 2.0 * lumaAt(p, 0, 1) + lumaAt(p, 1, 1)
             - lumaAt(p, -1, -1) - 2.0 * lumaAt(p, 0, -1) - lumaAt(p, 1, -1);
    return vec4(vec3(sqrt(gx * gx + gy * gy)), texelFetch(u_source, p, 0).a);
}
)";

std::string glslFloat(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9e", static_cast<double>(value));
    return text;
}

// One direction of the Gaussian, its weights compiled in so that the taps
// unroll into straight-line fetches. Along one axis only one coordinate can
// leave the image, so only that one is clamped: the taps are the bulk of
// the work.
std::string blurFunction(bool rows, const std::vector<float>& weights) {
    const std::string ahead =
        rows ? "ivec2(min(p.x + i, u_last.x), p.y)" : "ivec2(p.x, min(p.y + i, u_last.y))";
    const std::string behind = rows ? "ivec2(max(p.x - i, 0), p.y)" : "ivec2(p.x, max(p.y - i, 0))";
    std::string text = "\nconst float kWeights[" + std::to_string(weights.size()) + "] = float[](";
    for (size_t i = 0; i < weights.size(); ++i) text += (i ? ", " : "") + glslFloat(weights[i]);
    text += ");\n\nvec4 blurred(ivec2 p) {\n";
    text += "    vec4 sum = kWeights[0] * texelFetch(u_source, p, 0);\n";
    text += "    for (int i = 1; i < " + std::to_string(weights.size()) + "; ++i) {\n";
    text += "        sum += kWeights[i] * (texelFetch(u_source, " + ahead + ", 0) +\n";
    text += "                              texelFetch(u_source, " + behind + ", 0));\n";
    text += "    }\n    return sum;\n}\n";
    return text;
}

}  // namespace

std::string passFragmentShader(Stage stage, const std::vector<float>& blurWeights, int sepiaTimes) {
    std::string text = kPrelude;
    switch (stage) {
        case Stage::Copy: text += kCopy; break;
        case Stage::BlurRows:
        case Stage::BlurColumns:
            text += blurFunction(stage == Stage::BlurRows, blurWeights) + kBlurFiltered;
            break;
        case Stage::UnsharpColumns:
            text += blurFunction(false, blurWeights) + kUnsharpFiltered;
            break;
        case Stage::Sobel: text += kSobel; break;
    }
    text += "\nvoid main() {\n    vec4 colour = filtered(ivec2(gl_FragCoord.xy));\n";
    for (int i = 0; i < sepiaTimes; ++i) text += "    colour = sepia(colour);\n";
    text += "    o_colour = colour;\n}\n";
    return text;
}

}  // namespace ZevFilter
