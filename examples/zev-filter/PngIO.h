// Reading and writing PNG files with libpng's full interface, as RGBA at 8
// or 16 bits a channel.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "RgbaPixels.h"

namespace ZevFilter {

// A file that cannot be read as a PNG, or written; what() says why.
class PngError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads in two steps, so that the caller can check the size before any
// pixel memory is taken: the constructor reads the header, read() the
// pixels. The file is decoded as a stream; nothing is read ahead.
class PngReader {
public:
    // Throws PngError when the file cannot be opened, is not a PNG, or has
    // more than maxPixels pixels.
    PngReader(const std::string& path, size_t maxPixels);
    ~PngReader();
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    size_t width() const { return width_; }
    size_t height() const { return height_; }

    // Every colour type becomes RGBA; 16-bit files stay 16-bit, all others
    // become 8-bit. Sample values are kept as stored: no gamma is applied.
    RgbaPixels read();

private:
    struct Decoder;
    std::string path_;
    std::unique_ptr<Decoder> decoder_;
    size_t width_ = 0;
    size_t height_ = 0;
};

// Writes the picture as RGB when every alpha is at its maximum, else as
// RGBA, at the picture's depth, with adaptive filters at the given zlib
// level (0 to 9). name is for messages.
void writePng(std::FILE* file, const std::string& name, const RgbaPixels& pixels,
              int compressionLevel);

}  // namespace ZevFilter
