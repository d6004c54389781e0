// The picture a run filters, from a PNG file (8 or 16 bits a channel) or an
// OpenEXR file (linear half or float values, unclamped), told apart by the
// file's first bytes. Read in two steps like both readers: the header first,
// so that sizes are checked before any pixel memory is taken, then the
// pixels.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "ExrIO.h"
#include "GpuTransfer.h"
#include "PngIO.h"
#include "RgbaPixels.h"

namespace ZevFilter {

struct InputPicture {
    std::variant<RgbaPixels, ExrImage> pixels;

    // The OpenEXR image, or null for PNG input.
    const ExrImage* exr() const { return std::get_if<ExrImage>(&pixels); }
    SampleType sampleType() const;
    // The pixels for upload; an OpenEXR data window's corner is their offset.
    PixelBlock block() const;
    // What the PNG output has by default: 16 bits for 16-bit and OpenEXR input.
    int pngDepth() const;
    // The input's format, as the summary shows it.
    std::string description() const;
};

class InputReader {
public:
    // Reads the header. Throws PngError or ExrError when the file cannot be
    // read, is neither format, or has more than maxPixels pixels.
    InputReader(const std::string& path, size_t maxPixels);

    size_t width() const;
    size_t height() const;
    InputPicture read();

private:
    std::unique_ptr<PngReader> png_;
    std::optional<ExrReader> exr_;
};

}  // namespace ZevFilter
