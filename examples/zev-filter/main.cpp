// zev-filter: a command-line host of the image runtime. Reads a PNG or an
// OpenEXR file (or makes a test image), runs a chain of GLSL filters over it
// in pooled GPU images, reads the result back, darkens its corners on the
// CPU with a progress bar, writes a PNG or an OpenEXR file and prints what
// the runtime did. The output is
// checked first and the input's header read before the GL set-up, so that
// most failures come before any work.
#include <unistd.h>

#include <epoxy/gl.h>

#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CountingListener.h"
#include "ExrIO.h"
#include "ExrOutput.h"
#include "FilterChain.h"
#include "GpuTransfer.h"
#include "HostContexts.h"
#include "InputPicture.h"
#include "Interrupt.h"
#include "Options.h"
#include "OutputFile.h"
#include "PngIO.h"
#include "ProgressBar.h"
#include "Quantise.h"
#include "RenderTarget.h"
#include "Runtime.h"
#include "Summary.h"
#include "TestImage.h"
#include "Vignette.h"
#include "image_runtime/ShaderManagerOGL.h"
#include "image_runtime/TexturePool.h"

namespace ZevFilter {
namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInput = 3;
constexpr int kExitOutput = 4;

// A failure with the exit status that tells its kind.
class HostError : public std::runtime_error {
public:
    HostError(int exitCode, const std::string& message)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// Opens the input and reads its header; nothing for the built-in image.
// Waiting on a pipe that never delivers can be ended with Ctrl-C.
std::unique_ptr<InputReader> openInput(const Options& options) {
    if (!options.input) return nullptr;
    const ExitOnInterrupt exits;
    try {
        return std::make_unique<InputReader>(*options.input, options.maxPixels);
    } catch (const PngError& e) {
        throw HostError(kExitInput, e.what());
    } catch (const ExrError& e) {
        throw HostError(kExitInput, e.what());
    }
}

// Refuses a picture that no texture of this driver can hold, naming both sizes.
void checkFitsTexture(const Options& options, size_t width, size_t height) {
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    if (width <= static_cast<size_t>(maxSide) && height <= static_cast<size_t>(maxSide)) return;
    const std::string what =
        options.input ? "'" + *options.input + "'" : std::string("the built-in image");
    throw HostError(options.input ? kExitInput : kExitUsage,
                    what + " is " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels; this GL driver's textures take at most " +
                        std::to_string(maxSide) + " pixels a side");
}

InputPicture loadInput(const Options& options, std::unique_ptr<InputReader>& reader,
                       Summary& summary) {
    if (!reader) {
        const StageTimer timer(summary, "test image");
        summary.source = "built-in test image";
        return {makeTestImage(options.builtInWidth, options.builtInHeight)};
    }
    const ExitOnInterrupt exits;
    const StageTimer timer(summary, "read");
    try {
        InputPicture picture = reader->read();
        summary.source = "read from " + *options.input + " (" + picture.description() + ")";
        return picture;
    } catch (const PngError& e) {
        throw HostError(kExitInput, e.what());
    } catch (const ExrError& e) {
        throw HostError(kExitInput, e.what());
    }
}

// The GPU part: upload, the chain over all frames, read-back.
std::unique_ptr<ZEV::ImageCPU> filterOnGPU(const Options& options, const InputPicture& input,
                                           Summary& summary) {
    FramebufferObject framebuffer;
    FilterChain chain(options.filters, options.sigma, framebuffer);
    std::unique_ptr<ZEV::ImageGPU> source;
    {
        const StageTimer timer(summary, "upload");
        source = upload(input.block(), workingFormat(input.sampleType(), options.precision));
    }
    std::unique_ptr<ZEV::ImageGPU> filtered;
    {
        const StageTimer timer(summary, "filters");
        // A signal ends the frames early, after at least one; the CPU pass
        // then reports the cancellation through the progress callback.
        for (int frame = 0; frame < options.frames; ++frame) {
            filtered = chain.run(*source);
            if (InterruptGuard::interrupted()) break;
        }
        glFinish();
    }
    const StageTimer timer(summary, "read-back");
    const bool eightBitPng =
        options.format != FileFormat::Exr && options.depth.value_or(input.pngDepth()) == 8;
    return readBack(*filtered, framebuffer, eightBitPng);
}

// OpenEXR output keeps the input's windows, layout and channel type; from a
// PNG it is half RGBA, or float when the passes worked in floats.
ExrImage exrOutput(const Options& options, const InputPicture& input, const ZEV::ImageCPU& result) {
    if (const ExrImage* exr = input.exr())
        return toExrImage(result, exr->displayWindow, exr->layout, exr->channelType);
    const bool floats =
        workingFormat(input.sampleType(), options.precision) == ZEV::ImageGPU::PIXEL_FORMAT_RGBA32F;
    const ExrBox frame{0, 0, static_cast<int>(result.width()) - 1,
                       static_cast<int>(result.height()) - 1};
    return toExrImage(result, frame, ExrLayout::Rgba,
                      floats ? ExrChannelType::Float : ExrChannelType::Half);
}

// Writes the picture; a signal meanwhile removes the unfinished file and exits.
void writeOutput(const Options& options, OutputFile& output, const InputPicture& input,
                 const ZEV::ImageCPU& result) {
    const ExitOnInterrupt exits;
    try {
        if (options.format == FileFormat::Exr)
            writeExr(output.stream(), options.output, exrOutput(options, input, result));
        else
            writePng(output.stream(), options.output,
                     quantise(result, options.depth.value_or(input.pngDepth())),
                     options.compressionLevel);
        output.commit();
    } catch (const PngError& e) {
        throw HostError(kExitOutput, e.what());
    } catch (const ExrError& e) {
        throw HostError(kExitOutput, e.what());
    } catch (const OutputError& e) {
        throw HostError(kExitOutput, e.what());
    }
}

int run(const Options& options) {
    const InterruptGuard interruptGuard;
    std::optional<OutputFile> output;
    try {
        output.emplace(options.output);
    } catch (const OutputError& e) {
        throw HostError(kExitOutput, e.what());
    }
    Summary summary;
    summary.filters = options.filters;
    summary.sigma = options.sigma;
    summary.frames = options.frames;
    summary.output = output->isStandardOutput() ? "standard output" : options.output;

    std::unique_ptr<InputReader> reader = openInput(options);
    CountingListener listener;
    std::optional<Runtime> runtime;
    std::string contextDescription;
    {
        const StageTimer timer(summary, "set-up");
        // The driver's threads start here and inherit the blocked signals, so
        // that the main thread, which knows the files to clean up, takes them.
        const SignalsBlocked blocked;
        HostContexts contexts =
            options.context == ContextKind::Glx ? createGlxContexts() : createHeadlessContexts();
        contextDescription = contexts.description;
        runtime.emplace(std::move(contexts), listener,
                        ProgramLimits{options.maxPrograms, options.maxProgramAge});
    }
    if (reader)
        checkFitsTexture(options, reader->width(), reader->height());
    else
        checkFitsTexture(options, options.builtInWidth, options.builtInHeight);
    const InputPicture input = loadInput(options, reader, summary);
    reader.reset();
    summary.width = input.block().width;
    summary.height = input.block().height;
    summary.renderer = runtime->renderer() + ", in " + contextDescription;
    const std::unique_ptr<ZEV::ImageCPU> result = filterOnGPU(options, input, summary);
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
    // A signal after the last progress report still stops the run before it writes.
    if (outcome == PassOutcome::Cancelled || InterruptGuard::interrupted()) {
        std::cerr << "zev-filter: cancelled; nothing written\n";
        return InterruptGuard::exitStatus();
    }
    {
        const StageTimer timer(summary, "write");
        writeOutput(options, *output, input, *result);
    }
    {
        const StageTimer timer(summary, "shut-down");
        runtime->emptyPool();
        runtime.reset();
    }
    summary.pool = ZEV::TexturePool::statistics();
    summary.programs = ZEV::ShaderManagerOGL::Statistics();
    summary.bytesAllocated = listener.bytesAllocated();
    summary.bytesFreed = listener.bytesFreed();
    // The picture may be on standard output; the summary must not mix with it.
    printSummary(output->isStandardOutput() ? std::cerr : std::cout, summary);
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
