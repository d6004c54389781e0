// The vignette.
#include "Vignette.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "Quantise.h"
#include "image_runtime/CPUProgressCallback.h"
#include "image_runtime/images/BulkConversion.h"

namespace ZevFilter {

namespace {

// Falls off with the square of the distance from the centre, relative to
// the distance of the corners.
class Falloff {
public:
    Falloff(const ZEV::ImageCPU& image, float strength)
        : centreX_(static_cast<float>(image.offsetX()) + static_cast<float>(image.width()) / 2.0f),
          centreY_(static_cast<float>(image.offsetY()) + static_cast<float>(image.height()) / 2.0f),
          strength_(strength) {
        const float halfWidth = static_cast<float>(image.width()) / 2.0f;
        const float halfHeight = static_cast<float>(image.height()) / 2.0f;
        cornerSquared_ = std::max(halfWidth * halfWidth + halfHeight * halfHeight, 1e-6f);
    }

    float at(int x, int y) const {
        const float dx = static_cast<float>(x) + 0.5f - centreX_;
        const float dy = static_cast<float>(y) + 0.5f - centreY_;
        return 1.0f - strength_ * (dx * dx + dy * dy) / cornerSquared_;
    }

private:
    float centreX_;
    float centreY_;
    float strength_;
    float cornerSquared_ = 1.0f;
};

// Row y from column left on, in place: RGB scaled by the falloff, alpha
// as it was.
void darken(ZEV::float4* colours, size_t count, const Falloff& falloff, int left, int y) {
    for (size_t n = 0; n < count; ++n) {
        const float factor = falloff.at(left + static_cast<int>(n), y);
        for (size_t c = 0; c < 3; ++c) colours[n][c] *= factor;
    }
}

// Float pictures keep values above 1 (high dynamic range), so they are
// stored as they are; byte pictures are rounded to the nearest level, as
// the PNG output would round the floats, so that darkening the bytes gives
// the picture darkening floats would; other formats are stored by the
// runtime's rule (clamped, truncated).
void darkenRow(ZEV::ImageCPU& image, std::vector<ZEV::float4>& colours, const Falloff& falloff,
               int left, int y) {
    ZEV::readRGBAFloat4Row(image, left, y, colours.data(), colours.size());
    darken(colours.data(), colours.size(), falloff, left, y);
    const size_t row = static_cast<size_t>(y - image.offsetY()) * image.physicalWidth();
    switch (image.pixelFormat()) {
        case ZEV::ImageCPU::PIXEL_FORMAT_RGBA32F:
            std::memcpy(image.pixels_RGBA32F() + row, colours.data(),
                        colours.size() * sizeof(ZEV::float4));
            break;
        case ZEV::ImageCPU::PIXEL_FORMAT_RGBA8:
            quantiseRow(colours.data(), colours.size(),
                        reinterpret_cast<uint8_t*>(image.pixels_RGBA8() + row));
            break;
        default: ZEV::writeRGBAFloat4Row(image, colours.data(), left, y, colours.size());
    }
}

}  // namespace

PassOutcome applyVignette(ZEV::ImageCPU& image, float strength, ProgressJob& job) {
    const Falloff falloff(image, strength);
    const int left = image.offsetX();
    const int right = left + static_cast<int>(image.width());
    const int top = image.offsetY();
    const int bottom = top + static_cast<int>(image.height());
    std::vector<ZEV::float4> colours(image.width());

    // Horizontal extent, then vertical: the runtime counts lines from 2 and 3.
    float bounds[4] = {static_cast<float>(left), static_cast<float>(right), static_cast<float>(top),
                       static_cast<float>(bottom)};
    ZEV::CPUProgressCallbackIntermediary progress{&job, 100.0f, 0};
    int status = 0;
    int linesPerStep = 0;
    ZEV::_ZEV_initialNumberOfLines(bounds, &progress, &status, &linesPerStep);
    job.totalLines = progress.totalLines;
    job.linesDone = 0;

    int y = top;
    while (status == 0 && y < bottom) {
        const int batchEnd = std::min(bottom, y + std::max(linesPerStep, 1));
        // Strength 0 is the identity: the lines are only counted.
        if (strength != 0.0f)
            for (int line = y; line < batchEnd; ++line)
                darkenRow(image, colours, falloff, left, line);
        y = batchEnd;
        job.linesDone = y - top;
        ZEV::_ZEV_checkStatus(&progress, &linesPerStep, &status);
    }
    if ((status & ZEV::CPU_STATUS_CALLBACK_ERROR) != 0)
        throw std::runtime_error("the progress callback failed during " + job.name);
    return (status & ZEV::CPU_STATUS_CANCELLED) != 0 ? PassOutcome::Cancelled : PassOutcome::Done;
}

}  // namespace ZevFilter
