// What one run did, printed at its end: the image, the renderer, the time
// of each stage, and the runtime's texture and program counts.
#pragma once

#include <chrono>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "Filter.h"

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
    size_t imagesAcquired = 0;  // pooled images asked for, reused or not
    size_t texturesAllocated = 0;
    size_t bytesAllocated = 0;
    size_t texturesFreed = 0;
    size_t bytesFreed = 0;
    size_t poolBytesIdle = 0;  // idle in the pool after the last image was gone
    size_t poolLimit = 0;
    size_t programsBuilt = 0;
    size_t programsEvicted = 0;
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
