// What one run did, printed at its end: the image, the renderer, the time
// of each stage, the runtime's own texture and program counts, and the
// bytes that the host's listener heard of.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "Filter.h"
#include "image_runtime/RuntimeStatistics.h"

namespace ZevFilter {

struct Summary {
    struct Stage {
        std::string name;
        double milliseconds = 0.0;
    };

    size_t width = 0;
    size_t height = 0;
    std::string source;  // the input file, or a description of the built-in image
    std::string renderer;
    std::vector<Filter> filters;
    float sigma = 0.0f;
    int frames = 0;
    std::vector<Stage> stages;
    ZEV::TexturePoolStatistics pool;
    ZEV::ShaderManagerStatistics programs;
    size_t bytesAllocated = 0;
    size_t bytesFreed = 0;
    size_t poolBytesIdle = 0;  // idle in the pool after the last image was gone
    size_t poolLimit = 0;
    std::string output;
};

void printSummary(std::ostream& os, const Summary& summary);

// Measures one stage and appends it to the summary when it ends.
class StageTimer {
public:
    StageTimer(Summary& summary, std::string name);
    ~StageTimer();
    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;

private:
    Summary& summary_;
    std::string name_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace ZevFilter
