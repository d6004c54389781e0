// The summary's layout: one "Label: values" line per topic, numbers first,
// so that scripts can pick them out.
#include "Summary.h"

#include <iomanip>
#include <ostream>
#include <sstream>
#include <utility>

namespace ZevFilter {

namespace {

std::string mebibytes(size_t bytes) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << static_cast<double>(bytes) / (1024.0 * 1024.0)
         << " MiB";
    return text.str();
}

std::string chain(const Summary& summary) {
    std::string text;
    for (const Filter filter : summary.filters) {
        if (!text.empty()) text += " -> ";
        text += filterName(filter);
    }
    return text;
}

}  // namespace

void printSummary(std::ostream& os, const Summary& summary) {
    // The host asks for 2D textures only.
    const ZEV::TexturePoolStatistics::Requests& textures = summary.pool.texture2D;
    const ZEV::ShaderManagerStatistics& programs = summary.programs;
    os << "Image:     " << summary.width << " x " << summary.height << ", " << summary.source
       << "\n"
       << "Renderer:  " << summary.renderer << "\n"
       << "Filters:   " << chain(summary) << " (sigma " << summary.sigma << "), " << summary.frames
       << (summary.frames == 1 ? " frame" : " frames") << "\n"
       << "Time:      ";
    const char* separator = "";
    os << std::fixed << std::setprecision(1);
    for (const Summary::Stage& stage : summary.stages) {
        os << separator << stage.name << " " << stage.milliseconds << " ms";
        separator = ", ";
    }
    os << std::defaultfloat << "\n"
       << "Textures:  " << textures.misses << " allocated, " << textures.hits << " reused, "
       << summary.pool.texturesEvicted << " evicted\n"
       << "Bytes:     " << summary.bytesAllocated << " allocated ("
       << mebibytes(summary.bytesAllocated) << "), " << summary.bytesFreed << " freed; "
       << summary.poolBytesIdle << " idle in the pool at the end, at most "
       << summary.pool.peakFreeListBytes << " (limit " << mebibytes(summary.poolLimit) << ")\n"
       << "Programs:  " << programs.programsBuilt << " built, " << programs.programsRebuilt
       << " rebuilt, " << programs.programsEvicted << " evicted; building took " << std::fixed
       << std::setprecision(1) << programs.totalBuildSeconds * 1000.0 << " ms, the longest "
       << programs.longestBuildSeconds * 1000.0 << " ms\n"
       << std::defaultfloat << "Output:    " << summary.output << "\n";
}

StageTimer::StageTimer(Summary& summary, std::string name)
    : summary_(summary), name_(std::move(name)), start_(std::chrono::steady_clock::now()) {}

StageTimer::~StageTimer() {
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start_;
    summary_.stages.push_back({name_, elapsed.count()});
}

}  // namespace ZevFilter
