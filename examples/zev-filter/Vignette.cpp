// The vignette.
#include "Vignette.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "image_runtime/CPUProgressCallback.h"
#include "image_runtime/images/ImageAccessor.h"

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

// The write accessor clamps to [0, 1]; float images keep values above 1
// (high dynamic range), so their pixels are stored as they are.
void store(ZEV::ImageCPUWriteAccessor& writer, ZEV::ImageCPU& image, const ZEV::float4& colour,
           int x, int y) {
    if (image.pixelFormat() != ZEV::ImageCPU::PIXEL_FORMAT_RGBA32F) {
        writer.writeRGBAFloatPixel4At(colour, x, y);
        return;
    }
    const size_t index = static_cast<size_t>(y - image.offsetY()) * image.physicalWidth() +
                         static_cast<size_t>(x - image.offsetX());
    image.pixels_RGBA32F()[index] = {colour[0], colour[1], colour[2], colour[3]};
}

}  // namespace

PassOutcome applyVignette(ZEV::ImageCPU& image, float strength, ProgressJob& job) {
    ZEV::ImageCPUReadAccessor reader(image);
    ZEV::ImageCPUWriteAccessor writer(image);
    const Falloff falloff(image, strength);
    const int left = reader.offsetX();
    const int right = left + static_cast<int>(reader.width());
    const int top = reader.offsetY();
    const int bottom = top + static_cast<int>(reader.height());

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
        for (; y < batchEnd; ++y) {
            for (int x = left; x < right; ++x) {
                ZEV::float4 colour = reader.getRGBAFloat4PixelAt(x, y);
                const float factor = falloff.at(x, y);
                for (size_t c = 0; c < 3; ++c) colour[c] *= factor;
                store(writer, image, colour, x, y);
            }
        }
        job.linesDone = y - top;
        ZEV::_ZEV_checkStatus(&progress, &linesPerStep, &status);
    }
    if ((status & ZEV::CPU_STATUS_CALLBACK_ERROR) != 0)
        throw std::runtime_error("the progress callback failed during " + job.name);
    return (status & ZEV::CPU_STATUS_CANCELLED) != 0 ? PassOutcome::Cancelled : PassOutcome::Done;
}

}  // namespace ZevFilter
