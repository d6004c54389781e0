// The built-in test image: three horizontal bands. The top one is a hue
// sweep from left to right fading to grey downwards; the middle one a
// checkerboard of two colours; the bottom one has one-pixel lines on the
// left, spaced wider to the right, and a zone plate (rings whose spacing
// shrinks to a pixel) on the right.
#include "TestImage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace ZevFilter {

namespace {

using Colour = std::array<float, 3>;

constexpr float kPi = 3.14159265358979f;

// std::lround of the clamped value times 255, without the library call:
// scaled - trunc(scaled) is exact, so halves go up as with lround.
uint8_t toByte(float value) {
    const float scaled = std::clamp(value, 0.0f, 1.0f) * 255.0f;
    const auto whole = static_cast<int>(scaled);
    return static_cast<uint8_t>(whole + (scaled - static_cast<float>(whole) >= 0.5f ? 1 : 0));
}

void put(uint8_t* pixel, const Colour& colour) {
    for (size_t c = 0; c < 3; ++c) pixel[c] = toByte(colour[c]);
    pixel[3] = 255;
}

// Fully saturated hue, h in [0, 1).
Colour hue(float h) {
    Colour colour{};
    for (size_t c = 0; c < 3; ++c) {
        const float phase = std::fmod(h + static_cast<float>(c) / 3.0f, 1.0f);
        colour[c] = std::clamp(std::fabs(phase * 6.0f - 3.0f) - 1.0f, 0.0f, 1.0f);
    }
    return colour;
}

Colour gradient(const Colour& saturated, float v) {
    Colour colour{};
    for (size_t c = 0; c < 3; ++c) colour[c] = saturated[c] * (1.0f - v) + 0.5f * v;
    return colour;
}

Colour checker(size_t x, size_t y, size_t square) {
    const bool dark = ((x / square) + (y / square)) % 2 == 0;
    return dark ? Colour{0.12f, 0.16f, 0.30f} : Colour{0.95f, 0.85f, 0.55f};
}

Colour lines(size_t x, size_t width) {
    // Pairs of a white line and a black gap that widen from 1 to 8 pixels.
    const size_t spacing = 1 + (x * 8) / std::max<size_t>(width, 1);
    const bool white = (x / spacing) % 2 == 0;
    const float level = white ? 1.0f : 0.0f;
    return Colour{level, level, level};
}

// Rings whose frequency grows with the distance and reaches one cycle per
// two pixels at the radius; grey outside it, where they would alias.
Colour zonePlate(float dx, float dy, float radius) {
    const float r2 = (dx * dx + dy * dy) / (radius * radius);
    const float level = r2 > 1.0f ? 0.5f : 0.5f + 0.5f * std::cos(0.5f * kPi * radius * r2);
    return Colour{level, level, level};
}

}  // namespace

RgbaPixels makeTestImage(size_t width, size_t height) {
    RgbaPixels image(width, height);
    const size_t bandHeight = std::max<size_t>(height / 3, 1);
    const size_t square = std::max<size_t>(height / 12, 1);
    const float plateRadius = static_cast<float>(std::min(width / 2, bandHeight)) / 2.0f;
    const float plateX = static_cast<float>(width) * 0.75f;
    const float plateY = static_cast<float>(bandHeight) * 2.5f;
    // The hues and the lines depend on the column only.
    std::vector<Colour> hues(width);
    for (size_t x = 0; x < width; ++x)
        hues[x] = hue(static_cast<float>(x) / static_cast<float>(width));
    std::vector<uint8_t> lineRow(width / 2 * 4);
    for (size_t x = 0; x < width / 2; ++x) put(&lineRow[x * 4], lines(x, width / 2));
    for (size_t y = 0; y < height; ++y) {
        const size_t band = std::min<size_t>(y / bandHeight, 2);
        const size_t bandY = y - band * bandHeight;
        uint8_t* row = image.row(y);
        if (band == 0) {
            const float v = static_cast<float>(bandY) / static_cast<float>(bandHeight);
            for (size_t x = 0; x < width; ++x) put(row + x * 4, gradient(hues[x], v));
        } else if (band == 1) {
            for (size_t x = 0; x < width; ++x) put(row + x * 4, checker(x, bandY, square));
        } else {
            std::copy(lineRow.begin(), lineRow.end(), row);
            for (size_t x = width / 2; x < width; ++x)
                put(row + x * 4, zonePlate(static_cast<float>(x) + 0.5f - plateX,
                                           static_cast<float>(y) + 0.5f - plateY, plateRadius));
        }
    }
    return image;
}

}  // namespace ZevFilter
