// Reading the input picture in either format.
#include "InputPicture.h"

#include <sys/stat.h>

namespace ZevFilter {

namespace {

// The OpenEXR library reads by seeking, so only a regular file can be one;
// anything else (a pipe, a device) goes to the PNG reader, which reads it
// as a stream.
bool isRegularExrFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && isExrFile(path);
}

const char* layoutName(ExrLayout layout) {
    switch (layout) {
        case ExrLayout::Rgba: return "RGBA";
        case ExrLayout::Rgb: return "RGB";
        case ExrLayout::Ya: return "YA";
        case ExrLayout::Y: return "Y";
    }
    return "?";
}

}  // namespace

SampleType InputPicture::sampleType() const {
    if (const ExrImage* image = exr())
        return image->channelType == ExrChannelType::Half ? SampleType::Half : SampleType::Float;
    return std::get<RgbaPixels>(pixels).bitDepth == 16 ? SampleType::UInt16 : SampleType::UInt8;
}

PixelBlock InputPicture::block() const {
    if (const ExrImage* image = exr()) {
        // Half input is uploaded from the floats it was widened to: exact.
        return {image->width(),     image->height(),        SampleType::Float,
                image->rgba.data(), image->dataWindow.minX, image->dataWindow.minY};
    }
    const auto& png = std::get<RgbaPixels>(pixels);
    return {png.width, png.height, sampleType(), png.bytes.data()};
}

int InputPicture::pngDepth() const { return exr() ? 16 : std::get<RgbaPixels>(pixels).bitDepth; }

std::string InputPicture::description() const {
    const ExrImage* image = exr();
    if (!image) return "PNG, " + std::to_string(std::get<RgbaPixels>(pixels).bitDepth) + "-bit";
    const ExrBox& data = image->dataWindow;
    const ExrBox& display = image->displayWindow;
    return std::string("OpenEXR, ") +
           (image->channelType == ExrChannelType::Half ? "half " : "float ") +
           layoutName(image->layout) + ", data window at (" + std::to_string(data.minX) + ", " +
           std::to_string(data.minY) + ") in a " + std::to_string(display.width()) + " x " +
           std::to_string(display.height()) + " display window";
}

InputReader::InputReader(const std::string& path, size_t maxPixels) {
    if (isRegularExrFile(path))
        exr_.emplace(path, ExrLimits{maxPixels, maxPixels});
    else
        png_ = std::make_unique<PngReader>(path, maxPixels);
}

size_t InputReader::width() const { return exr_ ? exr_->width() : png_->width(); }

size_t InputReader::height() const { return exr_ ? exr_->height() : png_->height(); }

InputPicture InputReader::read() {
    if (exr_) return {exr_->read()};
    return {png_->read()};
}

}  // namespace ZevFilter
