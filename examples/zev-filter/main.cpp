// zev-filter: a command-line host of the image runtime. Reads a PNG (or
// makes a test image), runs a chain of GLSL filters over it in pooled GPU
// images, reads the result back, darkens its corners on the CPU with a
// progress bar, writes a PNG and prints what the runtime did.
#include <unistd.h>

#include <epoxy/gl.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "CountingListener.h"
#include "FilterChain.h"
#include "GpuTransfer.h"
#include "Interrupt.h"
#include "Options.h"
#include "PngIO.h"
#include "ProgramStats.h"
#include "ProgressBar.h"
#include "Quantise.h"
#include "RenderTarget.h"
#include "Runtime.h"
#include "Summary.h"
#include "TestImage.h"
#include "Vignette.h"

namespace ZevFilter {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInput = 3;
constexpr int kExitOutput = 4;
constexpr int kExitCancelled = 130;  // what shells report for Ctrl-C

// A failure with the exit status that tells its kind.
class HostError : public std::runtime_error {
public:
    HostError(int exitCode, const std::string& message)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// Fails before any work when the output cannot be created, so that a long
// run does not end in an error.
void checkOutputWritable(const std::string& output) {
    namespace fs = std::filesystem;
    const fs::path path(output);
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::error_code error;
    if (fs::is_directory(path, error))
        throw HostError(kExitOutput, "cannot write '" + output + "': it is a directory");
    if (!fs::is_directory(folder, error))
        throw HostError(kExitOutput,
                        "cannot write '" + output + "': no directory '" + folder.string() + "'");
    if (access(folder.c_str(), W_OK) != 0)
        throw HostError(kExitOutput, "cannot write '" + output + "': directory '" +
                                         folder.string() + "' is not writable");
}

RgbaPixels loadInput(const Options& options, Summary& summary) {
    if (!options.input) {
        const StageTimer timer(summary, "test image");
        summary.source = "built-in test image";
        return makeTestImage(options.builtInWidth, options.builtInHeight);
    }
    const StageTimer timer(summary, "read");
    summary.source = "read from " + *options.input;
    try {
        return readPng(*options.input);
    } catch (const PngError& e) {
        throw HostError(kExitInput, e.what());
    }
}

// The GPU part: upload, the chain over all frames, read-back.
std::unique_ptr<ZEV::ImageCPU> filterOnGPU(const Options& options, const RgbaPixels& input,
                                           ProgramStats& programStats, Summary& summary) {
    FramebufferObject framebuffer;
    FilterChain chain(options.filters, options.sigma, framebuffer, programStats);
    std::unique_ptr<ZEV::ImageGPU> source;
    {
        const StageTimer timer(summary, "upload");
        source = upload(input);
    }
    std::unique_ptr<ZEV::ImageGPU> filtered;
    {
        const StageTimer timer(summary, "filters");
        // Ctrl-C ends the frames early, after at least one; the CPU pass
        // then reports the cancellation through the progress callback.
        for (int frame = 0; frame < options.frames; ++frame) {
            filtered = chain.run(*source);
            if (InterruptGuard::interrupted()) break;
        }
        glFinish();
    }
    const StageTimer timer(summary, "read-back");
    summary.imagesAcquired = chain.imagesAcquired() + 1;
    return readBack(*filtered, framebuffer);
}

int run(const Options& options) {
    const InterruptGuard interruptGuard;
    checkOutputWritable(options.output);
    Summary summary;
    summary.filters = options.filters;
    summary.sigma = options.sigma;
    summary.frames = options.frames;
    summary.output = options.output;

    const RgbaPixels input = loadInput(options, summary);
    summary.width = input.width;
    summary.height = input.height;

    CountingListener listener;
    ProgramStats programStats;
    std::optional<Runtime> runtime;
    {
        const StageTimer timer(summary, "set-up");
        runtime.emplace(listener, ProgramLimits{options.maxPrograms, options.maxProgramAge});
    }
    summary.renderer = runtime->renderer();
    const std::unique_ptr<ZEV::ImageCPU> result =
        filterOnGPU(options, input, programStats, summary);
    summary.poolBytesIdle = runtime->poolBytesIdle();
    summary.poolLimit = runtime->poolLimit();

    ProgressBar progressBar(std::cerr, isatty(STDERR_FILENO) != 0);
    ProgressJob job{"vignette"};
    PassOutcome outcome = PassOutcome::Done;
    {
        const StageTimer timer(summary, "vignette");
        const ScopedProgressCallback installed(progressBar);
        outcome = applyVignette(*result, options.vignette, job);
        progressBar.finish(job, outcome == PassOutcome::Cancelled);
    }
    // Ctrl-C after the last progress report still stops the run before it writes.
    if (outcome == PassOutcome::Cancelled || InterruptGuard::interrupted()) {
        std::cerr << "zev-filter: cancelled; nothing written\n";
        return kExitCancelled;
    }
    {
        const StageTimer timer(summary, "write");
        try {
            writePng(options.output, quantise(*result));
        } catch (const PngError& e) {
            throw HostError(kExitOutput, e.what());
        }
    }
    {
        const StageTimer timer(summary, "shut-down");
        runtime->emptyPool();
        runtime.reset();
    }
    summary.texturesAllocated = listener.texturesAllocated();
    summary.bytesAllocated = listener.bytesAllocated();
    summary.texturesFreed = listener.texturesFreed();
    summary.bytesFreed = listener.bytesFreed();
    summary.programsBuilt = programStats.built();
    summary.programsEvicted = programStats.evicted();
    printSummary(std::cout, summary);
    return 0;
}

}  // namespace
}  // namespace ZevFilter

int main(int argc, char** argv) {
    using namespace ZevFilter;
    Options options;
    try {
        options = parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "zev-filter: " << e.what() << "\nTry 'zev-filter --help'.\n";
        return kExitUsage;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    try {
        return run(options);
    } catch (const HostError& e) {
        std::cerr << "zev-filter: " << e.what() << "\n";
        return e.exitCode();
    } catch (const std::exception& e) {
        std::cerr << "zev-filter: " << e.what() << "\n";
        return kExitFailed;
    }
}
