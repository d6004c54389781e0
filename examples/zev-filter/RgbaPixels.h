// An 8-bit RGBA picture in memory, rows from the top, tightly packed: what
// the host reads from and writes to PNG files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ZevFilter {

struct RgbaPixels {
    size_t width = 0;
    size_t height = 0;
    std::vector<uint8_t> bytes;  // width * height * 4

    RgbaPixels() = default;
    RgbaPixels(size_t w, size_t h) : width(w), height(h), bytes(w * h * 4) {}
    uint8_t* at(size_t x, size_t y) { return &bytes[(y * width + x) * 4]; }
    const uint8_t* at(size_t x, size_t y) const { return &bytes[(y * width + x) * 4]; }
};

}  // namespace ZevFilter
