// GLSL sources of the filter passes.
#include "FilterShaders.h"

namespace ZevFilter {

const char* passVertexShader() {
    return R"(#version 110
void main() {
    gl_Position = gl_Vertex;
}
)";
}

// Pixels are addressed in texels of the source (gl_FragCoord is a texel
// centre because source and target have the same size) and clamped to the
// image, not to the texture: a pooled texture may be larger than its image.
const char* fragmentPrelude() {
    return R"(#version 110
uniform sampler2D u_source;
uniform vec2 u_texelSize;
uniform vec2 u_imageSize;

vec4 fetch(sampler2D image, vec2 pixel) {
    vec2 p = clamp(pixel, vec2(0.5), u_imageSize - vec2(0.5));
    return texture2D(image, p * u_texelSize);
}

float luma(vec4 colour) {
    return dot(colour.rgb, vec3(0.299, 0.587, 0.114));
}
)";
}

namespace {

// One direction of a separable Gaussian; u_weights[0] is the centre and
// the weights are normalised so that a flat image stays flat.
const char* const kBlur = R"(
uniform vec2 u_direction;
uniform int u_radius;
uniform float u_weights[31];

void main() {
    vec2 p = gl_FragCoord.xy;
    vec4 sum = u_weights[0] * fetch(u_source, p);
    for (int i = 1; i <= 30; ++i) {
        if (i > u_radius) break;
        vec2 d = float(i) * u_direction;
        sum += u_weights[i] * (fetch(u_source, p + d) + fetch(u_source, p - d));
    }
    gl_FragColor = clamp(sum, 0.0, 1.0);
}
)";

// Gradient magnitude of the luma, as grey; alpha is kept.
const char* const kSobel = R"(
float at(vec2 p, float dx, float dy) {
    return luma(fetch(u_source, p + vec2(dx, dy)));
}

void main() {
    vec2 p = gl_FragCoord.xy;
    float gx = at(p, 1.0, 1.0) + 2.0 * at(p, 1.0, 0.0) + at(p, 1.0, -1.0)
             - at(p, -1.0, 1.0) - 2.0 * at(p, -1.0, 0.0) - at(p, -1.0, -1.0);
    float gy = at(p, -1.0, 1.0) + 2.0 * at(p, 0.0, 1.0) + at(p, 1.0, 1.0)
             - at(p, -1.0, -1.0) - 2.0 * at(p, 0.0, -1.0) - at(p, 1.0, -1.0);
    float magnitude = clamp(sqrt(gx * gx + gy * gy), 0.0, 1.0);
    gl_FragColor = vec4(vec3(magnitude), fetch(u_source, p).a);
}
)";

const char* const kSepia = R"(
void main() {
    vec4 c = fetch(u_source, gl_FragCoord.xy);
    vec3 toned = vec3(dot(c.rgb, vec3(0.393, 0.769, 0.189)),
                      dot(c.rgb, vec3(0.349, 0.686, 0.168)),
                      dot(c.rgb, vec3(0.272, 0.534, 0.131)));
    gl_FragColor = vec4(clamp(toned, 0.0, 1.0), c.a);
}
)";

// The original plus u_amount times what the blur took away from it.
const char* const kUnsharp = R"(
uniform sampler2D u_blurred;
uniform float u_amount;

void main() {
    vec2 p = gl_FragCoord.xy;
    vec4 original = fetch(u_source, p);
    vec4 blurred = fetch(u_blurred, p);
    vec3 sharpened = original.rgb + u_amount * (original.rgb - blurred.rgb);
    gl_FragColor = vec4(clamp(sharpened, 0.0, 1.0), original.a);
}
)";

}  // namespace

const char* fragmentBody(Filter filter) {
    switch (filter) {
        case Filter::Blur: return kBlur;
        case Filter::Sobel: return kSobel;
        case Filter::Sepia: return kSepia;
        case Filter::Unsharp: return kUnsharp;
    }
    return kSepia;
}

}  // namespace ZevFilter
