// Reading and writing OpenEXR files as linear float RGBA, for the
// high-dynamic-range path of the host.
//
// Read: the first part of a scanline or tiled file (any compression the
// library decodes: none, RLE, ZIP, PIZ, ...), with channels R, G, B and
// optionally A, or Y and optionally A (luminance becomes grey, R = G = B = Y).
// Channels may be half or float; values stay linear and unclamped, missing
// alpha reads as 1. Other layouts (only Z, chroma RY/BY, subsampled or
// unsigned-int channels, deep data) are refused.
//
// Kept: the image covers the data window; its offset and the display window
// come back with it, together with the channel type and layout the file had,
// so that the caller can process half input at 16F and float input at 32F and
// write the file back as it came.
//
// Limits: the header is read and checked first (magic number, sane
// attributes), and a data window beyond the caller's limits is refused before
// any pixel memory is allocated. Every failure of the library, truncated or
// corrupt files included, comes back as ExrError naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace ZevFilter {

// A file that cannot be read as a supported OpenEXR image, or written; what()
// says why.
class ExrError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ExrChannelType { Half, Float };

// Which channels the file holds (read) or is to hold (write).
enum class ExrLayout { Rgba, Rgb, Ya, Y };

enum class ExrCompression { None, Zip, Piz };

// A window of the image plane, corners inclusive as in the file.
struct ExrBox {
    int minX = 0;
    int minY = 0;
    int maxX = -1;
    int maxY = -1;

    size_t width() const { return static_cast<size_t>(int64_t{maxX} - minX + 1); }
    size_t height() const { return static_cast<size_t>(int64_t{maxY} - minY + 1); }
    bool operator==(const ExrBox& other) const {
        return minX == other.minX && minY == other.minY && maxX == other.maxX && maxY == other.maxY;
    }
};

struct ExrImage {
    ExrBox dataWindow;     // what the pixels cover; its min corner is the image's offset
    ExrBox displayWindow;  // the frame the data window sits in, kept for output
    ExrChannelType channelType = ExrChannelType::Half;
    ExrLayout layout = ExrLayout::Rgba;
    // Linear RGBA, dataWindow.width() * dataWindow.height() * 4 floats, rows
    // from the top of the data window.
    std::vector<float> rgba;

    size_t width() const { return dataWindow.width(); }
    size_t height() const { return dataWindow.height(); }
    float* at(size_t x, size_t y) { return &rgba[(y * width() + x) * 4]; }
    const float* at(size_t x, size_t y) const { return &rgba[(y * width() + x) * 4]; }
};

// Refused before allocating: a data window with a side above maxSide, or
// more than maxPixels pixels.
struct ExrLimits {
    size_t maxSide = 0;
    size_t maxPixels = 0;
};

// True when the file starts with the OpenEXR magic number.
bool isExrFile(const std::string& path);

// Reads in two steps, like the PNG reader: the constructor reads and checks
// the header, so that the caller can check the size before any pixel memory
// is taken; read() then reads the pixels.
class ExrReader {
public:
    ExrReader(const std::string& path, const ExrLimits& limits);

    size_t width() const { return header_.width(); }
    size_t height() const { return header_.height(); }
    ExrImage read();

private:
    std::string path_;
    ExrImage header_;  // everything but the pixels
};

ExrImage readExr(const std::string& path, const ExrLimits& limits);

// Writes image.layout's channels in image.channelType, with both windows as
// given, as a scanline file, to file (name is for messages). A Y layout
// stores the luminance of RGB (Rec. 709 weights), which is exact for grey
// input. The library seeks back to finish the file; where file cannot seek
// (a pipe, a terminal) the file is put together in memory and then written.
void writeExr(std::FILE* file, const std::string& name, const ExrImage& image,
              ExrCompression compression = ExrCompression::Zip);

}  // namespace ZevFilter
