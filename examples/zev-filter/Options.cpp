// Command-line parsing: "--name value" and "--name=value" for every option
// that takes a value.
#include "Options.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "FilterShaders.h"

namespace ZevFilter {

namespace {

constexpr long kMaxFrames = 10000;
constexpr long kMaxBuiltInSide = 8192;
constexpr long kMaxPrograms = 1000;
constexpr long kMaxPixels = 1000000000000;
// Below this the blur's neighbour weights are under 1e-21, so the blur does
// nothing; far below it the squared sigma underflows and the weights
// become NaN.
constexpr double kMinBlurSigma = 0.1;

[[noreturn]] void badValue(const std::string& option, const std::string& wanted,
                           const std::string& value) {
    throw UsageError(option + " needs " + wanted + ", got '" + value + "'");
}

double parseNumber(const std::string& option, const std::string& wanted, const std::string& value,
                   double low, double high, bool lowIncluded) {
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    const bool parsed = !value.empty() && end == value.c_str() + value.size() && errno == 0;
    const bool inRange =
        std::isfinite(number) && (lowIncluded ? number >= low : number > low) && number <= high;
    if (!parsed || !inRange) badValue(option, wanted, value);
    return number;
}

long parseWhole(const std::string& option, const std::string& wanted, const std::string& value,
                long low, long high) {
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    const bool parsed = !value.empty() && end == value.c_str() + value.size() && errno == 0;
    if (!parsed || number < low || number > high) badValue(option, wanted, value);
    return number;
}

void parseSize(const std::string& value, Options& options) {
    const std::string wanted = "WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxBuiltInSide);
    const size_t x = value.find('x');
    if (x == std::string::npos) badValue("--size", wanted, value);
    options.builtInWidth =
        static_cast<size_t>(parseWhole("--size", wanted, value.substr(0, x), 1, kMaxBuiltInSide));
    options.builtInHeight =
        static_cast<size_t>(parseWhole("--size", wanted, value.substr(x + 1), 1, kMaxBuiltInSide));
}

void addFilters(const std::string& list, Options& options) {
    std::stringstream names(list);
    std::string name;
    bool any = false;
    while (std::getline(names, name, ',')) {
        const std::optional<Filter> filter = filterFromName(name);
        if (!filter)
            throw UsageError("unknown filter '" + name + "' (known: " + knownFilterNames() + ")");
        options.filters.push_back(*filter);
        any = true;
    }
    if (!any) badValue("--filter", "a filter name", list);
}

bool hasExrExtension(std::string path) {
    if (path.size() < 4) return false;
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return path.compare(path.size() - 4, 4, ".exr") == 0;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    bool sizeGiven = false;
    bool outputGiven = false;
    std::optional<FileFormat> format;
    for (size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> inlineValue;
        if (const size_t equals = name.find('='); name.rfind("--", 0) == 0 && equals != name.npos) {
            inlineValue = name.substr(equals + 1);
            name.erase(equals);
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        const auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= arguments.size()) throw UsageError(name + " needs a value");
            return arguments[++i];
        };
        if (name == "--input") {
            options.input = value();
            if (options.input->empty()) badValue(name, "a file name", "");
        } else if (name == "--output") {
            options.output = value();
            if (options.output.empty()) badValue(name, "a file name", "");
            outputGiven = true;
        } else if (name == "--format") {
            const std::string text = value();
            if (text != "png" && text != "exr") badValue(name, "png or exr", text);
            format = text == "exr" ? FileFormat::Exr : FileFormat::Png;
        } else if (name == "--context") {
            const std::string text = value();
            if (text != "headless" && text != "glx") badValue(name, "headless or glx", text);
            options.context = text == "glx" ? ContextKind::Glx : ContextKind::Headless;
        } else if (name == "--filter") {
            addFilters(value(), options);
        } else if (name == "--sigma") {
            const std::string wanted = "a number from 0.1 to " + std::to_string(kMaxBlurSigma);
            options.sigma = static_cast<float>(
                parseNumber(name, wanted, value(), kMinBlurSigma, kMaxBlurSigma, true));
        } else if (name == "--frames") {
            options.frames = static_cast<int>(
                parseWhole(name, "a whole number from 1 to " + std::to_string(kMaxFrames), value(),
                           1, kMaxFrames));
        } else if (name == "--vignette") {
            options.vignette = static_cast<float>(
                parseNumber(name, "a number from 0 to 1", value(), 0.0, 1.0, true));
        } else if (name == "--depth") {
            const std::string text = value();
            if (text != "8" && text != "16") badValue(name, "8 or 16", text);
            options.depth = std::stoi(text);
        } else if (name == "--compression-level") {
            options.compressionLevel =
                static_cast<int>(parseWhole(name, "a whole number from 0 to 9", value(), 0, 9));
        } else if (name == "--max-pixels") {
            options.maxPixels = static_cast<size_t>(
                parseWhole(name, "a whole number from 1 to " + std::to_string(kMaxPixels), value(),
                           1, kMaxPixels));
        } else if (name == "--precision") {
            const std::string text = value();
            if (text != "16" && text != "32") badValue(name, "16 or 32", text);
            options.precision = std::stoi(text);
        } else if (name == "--size") {
            parseSize(value(), options);
            sizeGiven = true;
        } else if (name == "--max-programs") {
            options.maxPrograms = static_cast<unsigned int>(
                parseWhole(name, "a whole number from 0 to " + std::to_string(kMaxPrograms),
                           value(), 0, kMaxPrograms));
        } else if (name == "--max-program-age") {
            options.maxProgramAge =
                parseNumber(name, "a number of seconds, 0 or more", value(), 0.0, 1e9, true);
        } else {
            throw UsageError("unknown option '" + arguments[i] + "'");
        }
    }
    if (sizeGiven && options.input)
        throw UsageError("--size applies to the built-in image only, not with --input");
    if (options.filters.empty()) options.filters = {Filter::Unsharp, Filter::Sepia};
    options.format =
        format.value_or(hasExrExtension(options.output) ? FileFormat::Exr : FileFormat::Png);
    if (options.format == FileFormat::Exr && !outputGiven) options.output = "zev-filter-out.exr";
    if (options.format == FileFormat::Exr && options.depth)
        throw UsageError(
            "--depth applies to PNG output only; OpenEXR output keeps the input's "
            "channel type");
    return options;
}

std::string usageText() {
    return "Usage: zev-filter [options]\n"
           "Runs a chain of GPU filters over an image with the ZEV image runtime, then a\n"
           "vignette on the CPU, and writes the result as a PNG or OpenEXR file.\n"
           "\n"
           "  --input FILE           PNG or OpenEXR file to read, told apart by their first\n"
           "                         bytes (default: a built-in 1920x1080 test image);\n"
           "                         OpenEXR input must be a regular file\n"
           "  --output FILE          file to write, - for standard output (default:\n"
           "                         zev-filter-out.png); a file is replaced only once the\n"
           "                         new one is complete, a link's target is written, a\n"
           "                         device or FIFO is written into\n"
           "  --format png|exr       format of the output (default: exr for an output name\n"
           "                         ending in .exr, else png). OpenEXR keeps values linear\n"
           "                         and unclamped, in the input's channel type, layout and\n"
           "                         windows (PNG input: half RGBA, float at --precision 32);\n"
           "                         PNG clamps to 0..1\n"
           "  --depth 8|16           bits a channel in PNG output (default: 16 for 16-bit\n"
           "                         PNG or OpenEXR input, else 8)\n"
           "  --compression-level N  zlib level of PNG output, 0 to 9 (default: 3)\n"
           "  --max-pixels N         refuse larger input (default: 100000000); each side is\n"
           "                         also limited by the GL driver's largest texture\n"
           "  --filter NAMES         filters to chain, repeated or comma-separated, in order:\n"
           "                         " +
           knownFilterNames() +
           " (default: unsharp,sepia)\n"
           "  --sigma S              Gaussian blur radius for blur and unsharp, 0.1 to 10\n"
           "                         (default: 2)\n"
           "  --frames N             run the chain N times, 1 to 10000 (default: 1)\n"
           "  --vignette V           darkening of the corners, 0 (none) to 1 (default: 0.35)\n"
           "  --precision 16|32      filter in half or full floats (default: the input's\n"
           "                         precision: 8-bit pictures in 8 bits, 16-bit and half\n"
           "                         ones in half floats, float ones in floats)\n"
           "  --size WxH             size of the built-in image (default: 1920x1080)\n"
           "  --max-programs N       GLSL programs kept before idle ones are evicted\n"
           "                         (default: 3)\n"
           "  --max-program-age S    seconds a program must be idle to be evicted\n"
           "                         (default: 0.1)\n"
           "  --context headless|glx run in headless contexts (default), or in GLX contexts\n"
           "                         on $DISPLAY, wrapped for the runtime as a windowed\n"
           "                         host's would be\n"
           "  -h, --help             print this help and exit\n"
           "\n"
           "Exit status: 0 done, 1 processing failed, 2 bad command line, 3 input not\n"
           "readable or too large, 4 output not writable, 128 + the signal's number when\n"
           "stopped by a signal (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP). A failed or stopped\n"
           "run replaces no file and leaves no temporary file behind.\n";
}

}  // namespace ZevFilter
