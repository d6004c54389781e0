// The command line of zev-filter: what to read, which filters to chain, how
// often, and where to write. Parsing checks every value, so that a bad
// command line fails before anything is read, computed or written.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "Filter.h"

namespace ZevFilter {

enum class FileFormat { Png, Exr };

// Where the job runs: in headless contexts of the runtime's own, or in
// contexts on the X display, as a windowed host's would be.
enum class ContextKind { Headless, Glx };

struct Options {
    std::optional<std::string> input;           // none: the built-in test image
    std::string output = "zev-filter-out.png";  // "-": standard output
    // Of the output: --format, else the output's extension (.exr), else PNG.
    // The input's format is known from its first bytes.
    FileFormat format = FileFormat::Png;
    ContextKind context = ContextKind::Headless;
    std::vector<Filter> filters;
    float sigma = 2.0f;
    int frames = 1;
    float vignette = 0.35f;
    // Bits a channel of PNG output; none: 16 for 16-bit PNG or OpenEXR input,
    // else 8.
    std::optional<int> depth;
    int compressionLevel = 3;  // zlib's: about three times as fast as its default 6
    // Pictures with more pixels are refused before their memory is taken;
    // each side is also limited by the GL driver's largest texture.
    size_t maxPixels = 100000000;
    // Bits per channel of the passes' float textures, 16 or 32; none: the
    // input's own precision.
    std::optional<int> precision;
    size_t builtInWidth = 1920;
    size_t builtInHeight = 1080;
    // A small program cache, so that eviction of idle programs shows in a
    // short run; the shader manager's own defaults are 128 programs and 60 s.
    unsigned int maxPrograms = 3;
    double maxProgramAge = 0.1;
    bool help = false;
};

// A command line that cannot be run; what() says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws UsageError. Without --filter the chain is unsharp, sepia.
Options parseOptions(const std::vector<std::string>& arguments);

std::string usageText();

}  // namespace ZevFilter
