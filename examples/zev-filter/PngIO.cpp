// PNG files through libpng's full interface with explicit transforms. Errors
// inside libpng jump back to the call that guarded them; the guarded calls
// create no C++ objects, so the jump skips no destructor.
#include "PngIO.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstring>
#include <vector>

namespace ZevFilter {

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// libpng's messages, kept for the exception thrown after the jump.
struct ErrorText {
    char message[256] = {};
};

void onError(png_structp png, png_const_charp message) {
    auto* text = static_cast<ErrorText*>(png_get_error_ptr(png));
    std::snprintf(text->message, sizeof text->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

void readData(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, file) != length)
        png_error(png, std::ferror(file) != 0 ? std::strerror(errno) : "the file ends early");
}

void writeData(png_structp png, png_bytep data, size_t length) {
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fwrite(data, 1, length, file) != length) png_error(png, std::strerror(errno));
}

void flushData(png_structp png) {
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (std::fflush(file) != 0) png_error(png, std::strerror(errno));
}

// Runs libpng calls with the jump target set: false when libpng failed.
template <class Calls>
bool guarded(png_structp png, Calls&& calls) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    calls();
    return true;
}

constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

}  // namespace

struct PngReader::Decoder {
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    ErrorText error;

    ~Decoder() {
        if (png != nullptr) png_destroy_read_struct(&png, &info, nullptr);
        if (file != nullptr) std::fclose(file);
    }
};

PngReader::PngReader(const std::string& path, size_t maxPixels)
    : path_(path), decoder_(std::make_unique<Decoder>()) {
    Decoder& d = *decoder_;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    int error = errno;
    struct stat status {};
    if (fd >= 0 && fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        error = EISDIR;
    } else if (fd >= 0) {
        d.file = fdopen(fd, "rb");
        error = errno;
    }
    if (d.file == nullptr) {
        if (fd >= 0) close(fd);
        throw PngError("cannot read " + quoted(path) + ": " + std::strerror(error));
    }

    // The signature first: anything else is refused after eight bytes.
    constexpr size_t kSignatureSize = 8;
    png_byte signature[kSignatureSize] = {};
    if (std::fread(signature, 1, kSignatureSize, d.file) != kSignatureSize ||
        png_sig_cmp(signature, 0, kSignatureSize) != 0)
        throw PngError(quoted(path) + " is not a PNG file");

    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d.error, onError, onWarning);
    if (d.png != nullptr) d.info = png_create_info_struct(d.png);
    if (d.info == nullptr) throw PngError(quoted(path) + ": out of memory");
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    const bool headerRead = guarded(d.png, [&d, &width, &height] {
        png_set_read_fn(d.png, d.file, readData);
        png_set_sig_bytes(d.png, kSignatureSize);
        png_read_info(d.png, d.info);
        width = png_get_image_width(d.png, d.info);
        height = png_get_image_height(d.png, d.info);
    });
    if (!headerRead) throw PngError(quoted(path) + ": " + d.error.message);
    width_ = width;
    height_ = height;
    if (width_ * height_ > maxPixels)
        throw PngError(quoted(path) + " is " + std::to_string(width_) + " x " +
                       std::to_string(height_) + " pixels, more than the limit of " +
                       std::to_string(maxPixels) + " pixels (see --max-pixels)");
}

PngReader::~PngReader() = default;

RgbaPixels PngReader::read() {
    Decoder& d = *decoder_;
    const png_byte colourType = png_get_color_type(d.png, d.info);
    const png_byte depth = png_get_bit_depth(d.png, d.info);
    const bool transparency = png_get_valid(d.png, d.info, PNG_INFO_tRNS) != 0;
    RgbaPixels pixels(width_, height_, depth == 16 ? 16 : 8);
    std::vector<png_bytep> rows(height_);
    for (size_t y = 0; y < height_; ++y) rows[y] = pixels.row(y);
    size_t rowBytes = 0;

    const bool transformed = guarded(d.png, [&] {
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d.png);
        if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d.png);
        if (transparency) png_set_tRNS_to_alpha(d.png);
        if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(d.png);
        if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !transparency)
            png_set_filler(d.png, depth == 16 ? 0xffff : 0xff, PNG_FILLER_AFTER);
        if (depth == 16 && kLittleEndian) png_set_swap(d.png);
        png_set_interlace_handling(d.png);
        png_read_update_info(d.png, d.info);
        rowBytes = png_get_rowbytes(d.png, d.info);
    });
    if (!transformed) throw PngError(quoted(path_) + ": " + d.error.message);
    if (rowBytes != pixels.rowBytes())
        throw PngError(quoted(path_) + ": unexpected row layout after conversion to RGBA");
    if (!guarded(d.png, [&d, &rows] { png_read_image(d.png, rows.data()); }))
        throw PngError(quoted(path_) + ": " + d.error.message);
    return pixels;
}

void writePng(std::FILE* file, const std::string& name, const RgbaPixels& pixels,
              int compressionLevel) {
    bool opaque = true;
    for (size_t y = 0; y < pixels.height && opaque; ++y)
        for (size_t x = 0; x < pixels.width && opaque; ++x)
            opaque = pixels.sample(x, y, 3) == pixels.maxSample();

    ErrorText error;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, onError, onWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows(pixels.height);
    for (size_t y = 0; y < pixels.height; ++y)
        rows[y] = const_cast<png_bytep>(pixels.row(y));  // libpng only reads them
    const bool written =
        info != nullptr && guarded(png, [&] {
            png_set_write_fn(png, file, writeData, flushData);
            png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.width),
                         static_cast<png_uint_32>(pixels.height), pixels.bitDepth,
                         opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                         PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_set_compression_level(png, compressionLevel);
            png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
            png_write_info(png, info);
            if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);  // drops the alpha channel
            if (pixels.bitDepth == 16 && kLittleEndian) png_set_swap(png);
            png_write_image(png, rows.data());
            png_write_end(png, nullptr);
        });
    png_destroy_write_struct(&png, &info);
    if (!written)
        throw PngError("cannot write " + quoted(name) + ": " +
                       (error.message[0] != 0 ? error.message : "out of memory"));
}

}  // namespace ZevFilter
