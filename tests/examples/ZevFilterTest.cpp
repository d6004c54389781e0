// zev-filter as a program (filters, depths, vignette and GLX route against
// references in doubles, OpenEXR output, refusals, where output goes, signals)
// and its modules called directly: PNG and OpenEXR reading and writing on
// files put together here in every layout, and the quantisation of rows.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfTiledOutputFile.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <random>
#include <set>
#include <thread>
#include <tuple>
#include <type_traits>

#include "ExrIO.h"
#include "PngIO.h"
#include "Quantise.h"

namespace {

namespace fs = std::filesystem;
using namespace ZevFilter;

// A PNG file: header fields, pixel data (filtered rows, pass after pass) and optional chunks.
std::string pngFile(uint32_t width, uint32_t height, int depth, int colourType,
                    const std::string& data, bool interlaced = false,
                    const std::string& palette = "", const std::string& transparency = "") {
    const auto bigEndian = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const auto chunk = [&](const std::string& type, const std::string& body) {
        const std::string typed = type + body;
        const auto* bytes = reinterpret_cast<const Bytef*>(typed.data());
        return bigEndian(body.size()) + typed + bigEndian(crc32(0, bytes, typed.size()));
    };
    std::string packed(compressBound(data.size()), '\0');
    uLongf size = packed.size();
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), data.size());
    packed.resize(size);
    return "\x89PNG\r\n\x1a\n" +
           chunk("IHDR", bigEndian(width) + bigEndian(height) + char(depth) + char(colourType) +
                             '\0' + '\0' + char(interlaced)) +
           (palette.empty() ? "" : chunk("PLTE", palette)) +
           (transparency.empty() ? "" : chunk("tRNS", transparency)) + chunk("IDAT", packed) +
           chunk("IEND", "");
}

// Inputs go through the program's writers, which the layout tests check.
template <class Picture>
void writePicture(const fs::path& path, const Picture& picture) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if constexpr (std::is_same_v<Picture, ExrImage>)
        writeExr(file, path, picture);
    else
        writePng(file, path, picture, 1);
    std::fclose(file);
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

struct Finished {
    int exitCode = -1;  // 256 + the signal's number when killed by one
    std::string out, err;
    long maxResidentKiB = 0;
};

// Each test works in a folder of its own, the program's working folder too.
class ZevFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(mkdtemp(folder_.data()), nullptr);
        fs::current_path(folder_);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        for (const char* suffix : {"", ".out", ".err"}) fs::remove_all(folder_ + suffix);
    }

    static std::set<std::string> listing() {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename());
        return names;
    }

    // Starts zev-filter through the shell: its streams go to files beside the
    // folder, the files it writes are capped at fileBlocks 512-byte blocks.
    pid_t start(const std::vector<std::string>& arguments, int fileBlocks = 0,
                const std::string& launcher = "") const {
        std::string command = "trap '' XFSZ; ulimit -f " +
                              (fileBlocks ? std::to_string(fileBlocks) : "unlimited") + "; exec " +
                              launcher + " " ZEV_FILTER_PROGRAM;
        for (const std::string& argument : arguments) command += " '" + argument + "'";
        command += " >" + folder_ + ".out 2>" + folder_ + ".err";
        pid_t pid = 0;
        const char* shell[] = {"sh", "-c", command.c_str(), nullptr};
        posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(shell), environ);
        return pid;
    }

    Finished finish(pid_t pid) const {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid) ADD_FAILURE() << "wait4 failed";
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status),
                fileText(folder_ + ".out"), fileText(folder_ + ".err"), usage.ru_maxrss};
    }

    std::string folder_ = (fs::temp_directory_path() / "zev-filter-test-XXXXXX").string();
};

// The filters in doubles on RGBA in [0, 1], positions clamped to the picture as passes read it.
constexpr int kWidth = 41, kHeight = 29;
using Picture = std::vector<std::array<double, 4>>;

const std::array<double, 4>& at(const Picture& picture, int x, int y) {
    return picture[std::clamp(y, 0, kHeight - 1) * kWidth + std::clamp(x, 0, kWidth - 1)];
}

// The picture whose channel c at (x, y) is value(x, y, c).
Picture map(const std::function<double(int, int, size_t)>& value) {
    Picture result(size_t{kWidth} * kHeight);
    for (size_t i = 0; i < result.size() * 4; ++i)
        result[i / 4][i % 4] = value(int(i / 4) % kWidth, int(i / 4) / kWidth, i % 4);
    return result;
}

// Taps out to three sigmas.
Picture blur(const Picture& in, double sigma) {
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    return map([&](int x, int y, size_t c) {
        double total = 0, sum = 0;
        for (int i = -radius; i <= radius; ++i)
            for (int j = -radius; j <= radius; ++j) {
                const double weight = std::exp(-(i * i + j * j) / (2 * sigma * sigma));
                total += weight * at(in, x + i, y + j)[c];
                sum += weight;
            }
        return total / sum;
    });
}

Picture unsharp(const Picture& in) {
    const Picture blurred = blur(in, 2);
    return map([&](int x, int y, size_t c) {
        return c < 3 ? 2 * at(in, x, y)[c] - at(blurred, x, y)[c] : at(in, x, y)[c];
    });
}

Picture sobel(const Picture& in) {
    return map([&](int x, int y, size_t c) {
        const double luma[3] = {0.299, 0.587, 0.114};
        const auto l = [&](int dx, int dy) {
            return std::inner_product(luma, luma + 3, at(in, x + dx, y + dy).begin(), 0.0);
        };
        const double gx = l(1, 1) + 2 * l(1, 0) + l(1, -1) - l(-1, 1) - 2 * l(-1, 0) - l(-1, -1);
        const double gy = l(-1, 1) + 2 * l(0, 1) + l(1, 1) - l(-1, -1) - 2 * l(0, -1) - l(1, -1);
        return c < 3 ? std::hypot(gx, gy) : at(in, x, y)[3];
    });
}

Picture sepia(const Picture& in) {
    return map([&](int x, int y, size_t c) {
        const double tones[3][3] = {
            {0.393, 0.769, 0.189}, {0.349, 0.686, 0.168}, {0.272, 0.534, 0.131}};
        return c < 3 ? std::inner_product(tones[c], tones[c] + 3, at(in, x, y).begin(), 0.0)
                     : at(in, x, y)[3];
    });
}

// Vignette 0.5: colour times 1 - d^2 / 2r^2, d and r from the centre to pixel and corner.
Picture vignette(const Picture& in) {
    return map([&](int x, int y, size_t c) {
        const double dx = x + 0.5 - kWidth / 2.0, dy = y + 0.5 - kHeight / 2.0;
        const double d2 = (dx * dx + dy * dy) * 4 / (kWidth * kWidth + kHeight * kHeight);
        return at(in, x, y)[c] * (c < 3 ? 1 - 0.5 * d2 : 1);
    });
}

TEST_F(ZevFilterTest, FiltersDepthsAndVignetteStayCloseToTheirReferences) {
    // Ramps in red, 3-pixel checks in green, noise in blue, alpha in steps.
    const Picture source = map([](int x, int y, size_t c) {
        return std::array{(x + y) / double(kWidth + kHeight), (x / 3 + y / 3) % 2 ? 0.9 : 0.1,
                          ((x * 73u + y * 151u) * 2654435761u >> 24) / 255.0,
                          x < kWidth / 2 ? 1.0 : 0.5 + y / 60.0}[c];
    });
    const Picture grey = map([](int, int, size_t c) { return c < 3 ? 0.35 + 0.25 * c : 1.0; });
    const auto blurred = [](const Picture& p) { return blur(p, 2); };
    struct Case {
        std::vector<std::string> arguments;
        std::function<Picture(const Picture&)> reference;
        std::vector<std::string> summary = {};  // lines of the printed summary
        int depth = 8, inputDepth = 8;
        double largest = 2, mean = 0.5;  // errors allowed, in the output's levels
        const Picture* input = nullptr;  // else the source
    };
    std::vector<Case> cases = {
        {{"blur"}, blurred},
        {{"blur", "--sigma", "0.7"}, [](const Picture& p) { return blur(p, 0.7); }},
        {{"sobel"}, sobel},
        {{"sepia"}, sepia},
        {{"unsharp"}, unsharp}};
    for (size_t filter = 0; filter < 5; ++filter)
        for (const char* precision : {"16", "32"}) {
            Case c = cases[filter];
            c.arguments.insert(c.arguments.end(), {"--precision", precision});
            cases.push_back(c);
        }
    cases.insert(
        cases.end(),
        {// One program kept: each pass evicts the other's; the second frame reuses a texture.
         {{"unsharp", "--frames", "2", "--max-programs", "1", "--max-program-age", "0"},
          unsharp,
          {"Textures:  4 allocated, 1 reused, 4 evicted\n",
           "Programs:  4 built, 2 rebuilt, 3 evicted;"}},
         // The passes in GLX contexts on an X server.
         {{"unsharp", "--context", "glx"}, unsharp, {", in GLX contexts on :"}},
         {{"blur", "--vignette", "0.5"}, [](const Picture& p) { return vignette(blur(p, 2)); }},
         // 16 bits stay 16 bits, unless asked otherwise; the passes work in half floats.
         {{"blur"}, blurred, {}, 16, 16, 96, 32},
         {{"blur", "--precision", "32"}, blurred, {}, 16, 16, 1, 0.5},
         {{"blur", "--depth", "8"}, blurred, {}, 8, 16},
         // A flat picture, exact in 8-bit passes.
         {{"blur", "--depth", "16"}, blurred, {}, 16, 8, 32, 32, &grey}});
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const bool glx = c.arguments.back() == "glx";
        if (glx && access(ZEV_XVFB_RUN, X_OK) != 0) continue;  // no X server to start
        const double inputTop = (1 << c.inputDepth) - 1, top = (1 << c.depth) - 1;
        RgbaPixels file(kWidth, kHeight, c.inputDepth);
        const Picture input = map([&](int x, int y, size_t ch) {  // as its file holds it
            file.setSample(x, y, ch,
                           std::lround(at(c.input ? *c.input : source, x, y)[ch] * inputTop));
            return file.sample(x, y, ch) / inputTop;
        });
        writePicture("in.png", file);
        std::vector<std::string> arguments{"--input", "in.png", "--vignette", "0", "--filter"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Finished finished =
            finish(start(arguments, 0, glx ? ZEV_XVFB_RUN " -a -s '-nolisten tcp'" : ""));
        ASSERT_EQ(finished.exitCode, 0) << finished.err;
        for (const std::string& line : c.summary)
            EXPECT_NE(finished.out.find(line), std::string::npos) << finished.out;
        const RgbaPixels output = PngReader("zev-filter-out.png", 1 << 24).read();
        const Picture expected = c.reference(input);
        std::vector<double> errors;
        for (size_t i = 0; i < expected.size() * 4; ++i)
            errors.push_back(std::abs(output.sample(i / 4 % kWidth, i / 4 / kWidth, i % 4) -
                                      std::clamp(expected[i / 4][i % 4], 0.0, 1.0) * top));
        EXPECT_LE(*std::max_element(errors.begin(), errors.end()), c.largest);
        EXPECT_LE(std::accumulate(errors.begin(), errors.end(), 0.0) / errors.size(), c.mean);
    }
}

TEST_F(ZevFilterTest, ExrKeepsTheInputsTypeLayoutAndWindowsAndValuesAboveOne) {
    // Float passes turned half: a picture of the program's own would come out as half RGBA.
    const std::array<float, 4> colour{0.25f, 0.5f, 2.0f, 1.0f};
    ExrImage input{{-3, 5, 12, 14}, {0, 0, 19, 19}, ExrChannelType::Float, ExrLayout::Rgb, {}};
    for (size_t i = 0; i < 640; ++i) input.rgba.push_back(colour[i % 4]);  // 16 x 10 pixels
    std::fill_n(input.at(8, 5), 3, 100.0f);                                // a bright spot
    writePicture("in.exr", input);
    for (const auto& [option, name] :
         {std::pair{"--output=o.EXR", "o.EXR"}, {"--format=exr", "zev-filter-out.exr"}}) {
        SCOPED_TRACE(option);
        const Finished finished = finish(start({"--input=in.exr", "--vignette=0", "--filter=blur",
                                                "--sigma=1", "--precision=16", option}));
        ASSERT_EQ(finished.exitCode, 0) << finished.err;
        const ExrImage output = readExr(name, {64, 4096});
        EXPECT_EQ(
            std::tie(output.channelType, output.layout, output.dataWindow, output.displayWindow),
            std::tie(input.channelType, input.layout, input.dataWindow, input.displayWindow));
        for (size_t ch = 0; ch < 4; ++ch) {
            EXPECT_NEAR(output.at(0, 0)[ch], colour[ch], 1e-3);
            // A Gaussian of sigma 1 keeps 0.4 x 0.4 of the spot at its centre.
            EXPECT_GT(output.at(8, 5)[ch], ch < 3 ? 15.0f : 0.7f) << ch;
        }
    }
}

TEST_F(ZevFilterTest, RefusalsExitWithTheirStatusTouchNothingAndStaySmall) {
    writePicture("good.exr", ExrImage{{0, 0, 3, 3}, {0, 0, 3, 3}, {}, {}, std::vector(64, 0.5f)});
    // Files of 4 x 4 pixels whose headers claim that size or more, and one cut short.
    for (const auto& [width, height] : {std::pair{4, 4}, {10000, 6000}, {20000, 20000}, {20000, 2}})
        std::ofstream(std::to_string(width) + "x" + std::to_string(height) + ".png")
            << pngFile(width, height, 8, 6, std::string(68, '\0'));
    std::ofstream("cut.png") << fileText("4x4.png").substr(0, fileText("4x4.png").size() - 20);
    // Options, exit status and the message after "zev-filter: ".
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"--sigma", "1e-30"}, 2, "--sigma needs a number from 0.1 to 10, got '1e-30'\n"},
        {{"--sigma", "nan"}, 2, "--sigma needs a number"},
        {{"--depth", "12"}, 2, "--depth needs 8 or 16, got '12'"},
        {{"--compression-level", "10"}, 2, "--compression-level needs a whole number from 0 to 9"},
        {{"--max-pixels", "0"}, 2, "--max-pixels needs a whole number from 1"},
        {{"--input", "/dev/zero"}, 3, "'/dev/zero' is not a PNG file\n"},
        {{"--input", "cut.png"}, 3, "'cut.png': the file ends early\n"},
        {{"--input", "10000x6000.png"}, 3, "'10000x6000.png': Not enough image data\n"},
        {{"--input", "20000x20000.png"}, 3, "'20000x20000.png' is 20000 x 20000 pixels, more"},
        {{"--input", "4x4.png", "--max-pixels", "15"}, 3, "'4x4.png' is 4 x 4 pixels, more"},
        {{"--input", "20000x2.png"}, 3, "'20000x2.png' is 20000 x 2 pixels; this GL driver's"},
        {{"--input", "good.exr", "--max-pixels", "15"}, 3, "'good.exr': data window 4x4 has more"},
        {{"--input", "missing.png"}, 3, "cannot read 'missing.png': No such file or directory\n"},
        {{"--input", "."}, 3, "cannot read '.': Is a directory\n"},
        {{"--output", "."}, 4, "cannot write '.': it is a directory\n"},
        {{"--output", "/dev/full"}, 4, "cannot write '/dev/full': No space left on device\n"},
        {{"--size", "256x256"}, 4, "cannot write 'out.png': File too large\n"},
    };
    const std::set<std::string> before = listing();
    for (const auto& [options, exitCode, message] : cases) {
        std::vector<std::string> arguments{"--output", "out.png"};
        if (options.front() != "--input") arguments.insert(arguments.end(), {"--size", "8x8"});
        arguments.insert(arguments.end(), options.begin(), options.end());
        const Finished finished = finish(start(arguments, 2));  // 1 KiB at most
        SCOPED_TRACE(::testing::PrintToString(options));
        EXPECT_EQ(finished.exitCode, exitCode) << finished.err;
        EXPECT_NE(finished.err.find("zev-filter: " + message), std::string::npos) << finished.err;
        EXPECT_EQ(finished.out, "");
        EXPECT_EQ(listing(), before);
        // An input refusal's memory follows the file, not what its header claims.
        EXPECT_LT(exitCode == 3 ? finished.maxResidentKiB : 0, 200 * 1024);
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ZevFilterTest, OutputReplacesOnlyWhatItMayAndLeavesNoTemporaryFile) {
    for (const char* name : {"kept.png", "target.png"}) std::ofstream(name) << "old";
    fs::permissions("kept.png", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("target.png", "link.png");
    fs::create_symlink("made.png", "dangling.png");
    // A link planted where older versions put their temporary file.
    std::ofstream("victim") << "precious";
    fs::create_symlink("victim", "out.png.part");
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    std::string fromFifo;
    std::thread reader([&] { fromFifo = fileText("fifo"); });
    std::set<std::string> expected = listing();
    for (const char* output :
         {"kept.png", "link.png", "dangling.png", "out.png", "fifo", "/dev/null", "-"}) {
        const Finished finished = finish(start({"--size", "32x16", "--output", output}));
        EXPECT_EQ(finished.exitCode, 0) << output << "\n" << finished.err;
        EXPECT_EQ(finished.out.rfind("\x89PNG", 0) == 0, output == std::string("-")) << output;
    }
    if (const int fd = open("fifo", O_WRONLY | O_NONBLOCK); fd >= 0) close(fd);
    reader.join();
    EXPECT_EQ(fromFifo.substr(0, 4), "\x89PNG");
    for (const char* written : {"kept.png", "target.png", "made.png", "out.png"})
        EXPECT_EQ(PngReader(written, 1 << 24).read().width, 32u) << written;
    expected.insert({"made.png", "out.png"});
    EXPECT_EQ(listing(), expected) << "no temporary file is left";
    EXPECT_EQ(fs::status("kept.png").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(fs::is_symlink("link.png") && fs::is_symlink("dangling.png"));
    EXPECT_EQ(fileText("victim"), "precious");
    EXPECT_TRUE(fs::is_fifo("fifo") && fs::is_character_file("/dev/null"));
}

TEST_F(ZevFilterTest, SignalsWhileWaitingOrWritingExitAtOnceAndLeaveNothing) {
    ASSERT_EQ(mkfifo("in.fifo", 0600), 0);
    const std::set<std::string> before = listing();
    // Ctrl-C while the program waits for its input, SIGTERM while it writes.
    for (const auto& [signal, option] :
         {std::pair{SIGINT, "--input=in.fifo"}, {SIGTERM, "--compression-level=9"}}) {
        const pid_t pid = start({option});
        int fd = -1;  // our end of the input, or 0 once the temporary file shows
        for (int attempt = 0; attempt < 60000 && fd < 0; usleep(1000), ++attempt)
            fd = std::max(open("in.fifo", O_WRONLY | O_NONBLOCK),
                          listing().begin()->front() == '.' ? 0 : -1);
        EXPECT_GE(fd, 0) << signal << ": the stage was never reached";
        kill(pid, signal);
        const Finished finished = finish(pid);
        if (fd > 0) close(fd);
        EXPECT_EQ(finished.exitCode, 128 + signal) << finished.err;
        EXPECT_NE(finished.err.find("zev-filter: cancelled; nothing written\n"), std::string::npos);
        EXPECT_EQ(listing(), before) << signal;
    }
}

TEST_F(ZevFilterTest, EveryPngLayoutDecodesExactlyAndWritesBackExactly) {
    std::minstd_rand noise(12345);
    constexpr size_t kPixels = size_t{13} * 11;
    // Each pass's first column and row and its steps.
    const std::vector<std::array<size_t, 4>> adam7 = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                                      {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2},
                                                      {0, 1, 1, 2}},
                                             progressive = {{0, 0, 1, 1}};
    // Colour types 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA at every
    // depth they allow; variants: bit 0 interlaced, bit 1 a tRNS chunk.
    const std::pair<int, std::vector<int>> depths[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    std::vector<std::array<int, 3>> layouts;
    for (const auto& [type, allowed] : depths)
        for (const int depth : allowed)
            for (const int variant : {0, 1, 2, 3})
                if ((type & 4) == 0 || (variant & 2) == 0)  // alpha and tRNS never together
                    layouts.push_back({type, depth, variant});
    for (const auto& [type, depth, variant] : layouts) {
        const bool palette = type == 3, alpha = (type & 4) != 0, keyed = (variant & 2) != 0;
        SCOPED_TRACE(testing::Message()
                     << "type " << type << " depth " << depth << " variant " << variant);
        const size_t channels = (type == 2 || type == 6 ? 3 : 1) + (alpha ? 1 : 0);
        const unsigned int levels = 1u << depth, top = depth == 16 ? 65535 : 255;
        std::vector<unsigned int> samples(kPixels * channels);
        for (unsigned int& sample : samples) sample = noise() % levels;
        // Random colours, the first half with alpha; or the first pixel's colour clear.
        std::string plte, trns;
        for (unsigned int i = 0; palette && i < levels; ++i) {
            plte += {char(noise()), char(noise()), char(i)};
            if (keyed && i <= levels / 2) trns += char(noise());
        }
        for (size_t c = 0; keyed && !palette && c < channels; ++c)
            trns += {char(samples[c] >> 8), char(samples[c])};
        RgbaPixels expected(13, 11, depth == 16 ? 16 : 8);
        for (size_t i = 0; i < kPixels; ++i) {
            const unsigned int* p = &samples[i * channels];
            const bool clear = keyed && !palette && std::equal(p, p + channels, &samples[0]);
            for (size_t c = 0; c < 4; ++c)
                expected.setSample(i % 13, i / 13, c,
                                   palette ? c < 3              ? uint8_t(plte[size_t{*p} * 3 + c])
                                             : *p < trns.size() ? uint8_t(trns[*p])
                                                                : 255
                                   : c < 3 ? p[channels >= 3 ? c : 0] * (top / (levels - 1))
                                   : clear ? 0
                                   : alpha ? p[channels - 1]
                                           : top);
        }
        std::string data;
        for (const auto& [x0, y0, dx, dy] : variant & 1 ? adam7 : progressive)
            for (size_t y = y0, bit = 0; y < 11; y += dy, bit = 0) {
                data += '\0';  // no filter
                for (size_t x = x0; x < 13; x += dx)
                    for (size_t c = 0; c < channels; ++c)
                        for (int b = depth - 1; b >= 0; --b, ++bit) {
                            if (bit % 8 == 0) data += '\0';
                            if ((samples[(y * 13 + x) * channels + c] >> b & 1) != 0)
                                data.back() = char(data.back() | 0x80 >> bit % 8);
                        }
            }
        std::ofstream("layout.png", std::ios::binary)
            << pngFile(13, 11, depth, type, data, variant & 1, plte, trns);
        const RgbaPixels decoded = PngReader("layout.png", kPixels).read();
        EXPECT_TRUE(decoded.bytes == expected.bytes);
        writePicture("back.png", decoded);
        EXPECT_TRUE(PngReader("back.png", kPixels).read().bytes == expected.bytes);
        EXPECT_EQ(fileText("back.png").at(25) == 2, !alpha && !keyed);
    }
}

// OpenEXR files as the OpenEXR library writes them; channels by letter, lower
// case r and b for the chroma channels RY and BY.
const ExrLimits kLimits{64, 1000};
const Imath::Box2i kDisplay({0, 0}, {9, 7}), kData({-2, 3}, {3, 7});  // off the left edge

// Above 1 and negative, exact in half, and apart for R, G, B and A.
float exrValue(int x, int y, char c) { return static_cast<float>(x - 2 * y + c % 7) * 2.5F; }

std::string writeExrFile(const std::string& name, const std::string& channels, Imf::PixelType type,
                         bool tiled = false, Imf::Compression compression = Imf::ZIP_COMPRESSION) {
    Imf::Header header(kDisplay, kData, 1, {0, 0}, 1, Imf::INCREASING_Y, compression);
    std::vector<uint32_t> words(channels.size() * 30);  // a sample in each; 6x5 a channel
    Imf::FrameBuffer frame;
    for (size_t c = 0; c < channels.size(); ++c) {
        const std::string channelName = std::string(1, char(std::toupper(channels[c]))) +
                                        (std::islower(channels[c]) != 0 ? "Y" : "");
        header.channels().insert(channelName, Imf::Channel(type));
        for (int i = 0; i < 30; ++i) {
            const float v = exrValue(kData.min.x + i % 6, kData.min.y + i / 6, channels[c]);
            words[c * 30 + i] = half(v).bits();  // in the first bytes, on a little-endian machine
            if (type == Imf::FLOAT) std::memcpy(&words[c * 30 + i], &v, sizeof v);
        }
        frame.insert(channelName, Imf::Slice::Make(type, &words[c * 30], kData, 4));
    }
    if (tiled) {
        header.setTileDescription(Imf::TileDescription(4, 4));
        Imf::TiledOutputFile file(name.c_str(), header);
        file.setFrameBuffer(frame);
        file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
    } else {
        Imf::OutputFile file(name.c_str(), header);
        file.setFrameBuffer(frame);
        file.writePixels(kData.max.y - kData.min.y + 1);
    }
    return name;
}

TEST_F(ZevFilterTest, ExrEveryTypeLayoutStorageAndCompressionRoundTripsExactly) {
    std::vector<std::tuple<ExrChannelType, ExrLayout, bool, Imf::Compression>> cases;
    for (const auto compression : {Imf::NO_COMPRESSION, Imf::ZIP_COMPRESSION, Imf::PIZ_COMPRESSION})
        for (const bool tiled : {false, true})
            for (const auto layout : {ExrLayout::Rgba, ExrLayout::Rgb, ExrLayout::Ya, ExrLayout::Y})
                for (const auto type : {ExrChannelType::Half, ExrChannelType::Float})
                    cases.emplace_back(type, layout, tiled, compression);
    for (const auto& [type, layout, tiled, compression] : cases) {
        const std::string channels = std::array{"RGBA", "RGB", "YA", "Y"}[int(layout)];
        SCOPED_TRACE(testing::Message() << channels << " tiled " << tiled << " compression "
                                        << compression << " float " << int(type));
        writeExrFile("in.exr", channels, type == ExrChannelType::Float ? Imf::FLOAT : Imf::HALF,
                     tiled, compression);
        const ExrImage image = readExr("in.exr", kLimits);
        EXPECT_EQ(std::tie(image.channelType, image.layout, image.displayWindow, image.dataWindow),
                  std::make_tuple(type, layout, ExrBox{0, 0, 9, 7}, ExrBox{-2, 3, 3, 7}));
        for (size_t i = 0; i < image.rgba.size(); ++i) {
            const char source = channels[0] == 'Y' && i % 4 < 3 ? 'Y' : "RGBA"[i % 4];
            const int x = int(i / 4 % 6) - 2, y = int(i / 24) + 3;
            const bool absent = channels.find(source) == std::string::npos;
            ASSERT_EQ(image.rgba[i], absent ? 1.0F : exrValue(x, y, source)) << i;
        }
        writePicture("out.exr", image);
        EXPECT_EQ(Imf::InputFile("out.exr").header().compression(), Imf::ZIP_COMPRESSION);
        const ExrImage back = readExr("out.exr", kLimits);
        EXPECT_EQ(
            std::tie(back.rgba, back.channelType, back.layout, back.displayWindow, back.dataWindow),
            std::tie(image.rgba, type, layout, image.displayWindow, image.dataWindow));
    }
}

TEST_F(ZevFilterTest, ExrBadFilesAreRefusedClearlyWithoutLargeAllocations) {
    std::vector<std::pair<std::string, std::string>> refused{
        {writeExrFile("z.exr", "Z", Imf::FLOAT), "channels Z are neither R, G, B"},
        {writeExrFile("chroma.exr", "Yrb", Imf::HALF), "luminance-chroma"},
        {writeExrFile("uint.exr", "RGB", Imf::UINT), "unsigned integers"},
        {"text.exr", "'text.exr' is not an OpenEXR file"}};
    std::ofstream(refused.back().first) << "not an image at all";
    // Headers claiming other data windows, and files cut short.
    const std::pair<std::array<int32_t, 4>, std::string> windows[] = {
        {{0, 0, 99999, 99999}, "100000x100000 has a side above the limit of 64"},
        {{0, 0, 60, 20}, "61x21 has more than the limit of 1000 pixels"},
        {{0, 0, 1 << 30, 1 << 30}, "not a readable OpenEXR header"}};
    for (const auto& [window, message] : windows) {
        refused.emplace_back(writeExrFile(message.substr(0, 2) + ".exr", "RGB", Imf::HALF),
                             message);
        std::string bytes = fileText(refused.back().first);
        bytes.replace(bytes.find("dataWindow") + 21, sizeof window,
                      reinterpret_cast<const char*>(window.data()), sizeof window);
        std::ofstream(refused.back().first) << bytes;
    }
    for (const uintmax_t keep : {40, 41, 1000, 1001}) {  // odd: tiled
        const std::string name = "cut" + std::to_string(keep) + ".exr";
        refused.emplace_back(writeExrFile(name, "RGB", Imf::HALF, keep % 2, Imf::NO_COMPRESSION),
                             "'" + name + "': ");
        fs::resize_file(name, std::min(keep, fs::file_size(name) - 20));
    }
    // Each read has room for little more than the process holds already, so
    // that a large allocation on the way fails it.
    rlimit bound{};
    getrlimit(RLIMIT_AS, &bound);
    const rlimit unbound = bound;
    for (const auto& refusal : refused) {
#ifndef __SANITIZE_ADDRESS__  // its shadow memory needs a vast address space
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        bound.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (rlim_t{256} << 20);
        setrlimit(RLIMIT_AS, &bound);
#endif
        EXPECT_THAT([&] { readExr(refusal.first, kLimits); },
                    testing::ThrowsMessage<ExrError>(testing::HasSubstr(refusal.second)));
        setrlimit(RLIMIT_AS, &unbound);
    }
}

// Row quantisation against std::lround of the value clamped to [0, 1], NaN as 0.
TEST(QuantiseTest, RowsRoundLikeLroundOfTheClampedValueAtBothDepths) {
    std::vector<float> values{std::nanf(""), -HUGE_VALF, HUGE_VALF, -0.0f, 1.5f, 2e9f};
    for (float value = -0.01f; value < 1.01f; value += 3e-7f) values.push_back(value);
    for (const float levels : {255.0f, 65535.0f})  // each half level and its neighbours
        for (float k = 0.5f; k < levels; k += 1.0f)
            for (const float towards : {0.0f, k / levels, 1.0f})
                values.push_back(std::nextafter(k / levels, towards));
    values.resize((values.size() / 8) * 8 + 4);  // an odd number of colours: the tails too
    std::vector<ZEV::float4> colours(values.size() / 4);
    for (size_t n = 0; n < values.size(); ++n) colours[n / 4][n % 4] = values[n];
    std::vector<uint8_t> bytes(values.size());
    std::vector<uint16_t> words(values.size());
    quantiseRow(colours.data(), colours.size(), bytes.data());
    quantiseRow(colours.data(), colours.size(), words.data());
    for (size_t n = 0; n < values.size(); ++n) {
        const float level = values[n] > 0.0f ? std::min(values[n], 1.0f) : 0.0f;
        ASSERT_EQ(bytes[n], std::lround(level * 255.0f)) << values[n];
        ASSERT_EQ(words[n], std::lround(level * 65535.0f)) << values[n];
    }
}

}  // namespace
