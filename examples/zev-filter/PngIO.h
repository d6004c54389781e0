// Reading and writing PNG files as 8-bit RGBA with libpng.
#pragma once

#include <stdexcept>
#include <string>

#include "RgbaPixels.h"

namespace ZevFilter {

// A file that cannot be read as a PNG, or written; what() says why.
class PngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Any PNG (grey, palette, 16-bit, with or without alpha) becomes 8-bit RGBA.
RgbaPixels readPng(const std::string& path);

// Writes next to path first and renames at the end, so that a failed write
// leaves no file (and an existing one untouched).
void writePng(const std::string& path, const RgbaPixels& pixels);

}  // namespace ZevFilter
