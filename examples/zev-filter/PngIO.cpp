// PNG files through libpng's simplified interface, which converts every
// colour type and bit depth for us.
#include "PngIO.h"

#include <png.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace ZevFilter {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Releases what png_image_begin_read allocated, also on the error paths.
struct PngImage {
    png_image image{};
    PngImage() { image.version = PNG_IMAGE_VERSION; }
    ~PngImage() { png_image_free(&image); }
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;
};

std::string quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

RgbaPixels readPng(const std::string& path) {
    // Read whole, so that pipes work as well as files.
    std::vector<png_byte> data;
    {
        const File file(std::fopen(path.c_str(), "rb"));
        if (!file) throw PngError("cannot read " + quoted(path) + ": " + std::strerror(errno));
        std::array<png_byte, 65536> chunk{};
        size_t got = 0;
        while ((got = std::fread(chunk.data(), 1, chunk.size(), file.get())) > 0)
            data.insert(data.end(), chunk.begin(), chunk.begin() + static_cast<long>(got));
        if (std::ferror(file.get()))
            throw PngError("cannot read " + quoted(path) + ": " + std::strerror(errno));
    }
    constexpr size_t kSignatureSize = 8;
    if (data.size() < kSignatureSize || png_sig_cmp(data.data(), 0, kSignatureSize) != 0)
        throw PngError(quoted(path) + " is not a PNG file");

    PngImage png;
    if (!png_image_begin_read_from_memory(&png.image, data.data(), data.size()))
        throw PngError(quoted(path) + ": " + png.image.message);
    png.image.format = PNG_FORMAT_RGBA;
    RgbaPixels pixels(png.image.width, png.image.height);
    if (!png_image_finish_read(&png.image, nullptr, pixels.bytes.data(), 0, nullptr))
        throw PngError(quoted(path) + ": " + png.image.message);
    return pixels;
}

void writePng(const std::string& path, const RgbaPixels& pixels) {
    const std::string partial = path + ".part";
    File file(std::fopen(partial.c_str(), "wb"));
    if (!file) throw PngError("cannot write " + quoted(path) + ": " + std::strerror(errno));

    PngImage png;
    png.image.width = static_cast<png_uint_32>(pixels.width);
    png.image.height = static_cast<png_uint_32>(pixels.height);
    png.image.format = PNG_FORMAT_RGBA;
    const bool written =
        png_image_write_to_stdio(&png.image, file.get(), 0, pixels.bytes.data(), 0, nullptr) != 0;
    const std::string message = written ? "" : png.image.message;
    const bool closed = std::fclose(file.release()) == 0;
    if (!written || !closed || std::rename(partial.c_str(), path.c_str()) != 0) {
        const std::string reason = !written ? message : std::strerror(errno);
        std::remove(partial.c_str());
        throw PngError("cannot write " + quoted(path) + ": " + reason);
    }
}

}  // namespace ZevFilter
