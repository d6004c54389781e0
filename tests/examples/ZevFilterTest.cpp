// zev-filter, run as a program: its filters against references computed here
// in doubles, its pixels in PNG and OpenEXR, its refusals, where its output
// goes, what signals do and its GLX route; and its PNG reader and writer,
// called directly on files this test writes with libpng in every layout.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <vector>

#include "ExrIO.h"
#include "PngIO.h"

namespace {

namespace fs = std::filesystem;
using ZevFilter::ExrImage;
using ZevFilter::RgbaPixels;
using Colour = std::array<unsigned int, 4>;

RgbaPixels flat(size_t width, size_t height, const Colour& colour, int depth = 8) {
    RgbaPixels picture(width, height, depth);
    for (size_t i = 0; i < width * height; ++i)
        for (size_t c = 0; c < 4; ++c) picture.setSample(i % width, i / width, c, colour[c]);
    return picture;
}

// What libpng stores: a byte a sample below 8 bits, which it packs; 16 bits big-endian.
struct RawPng {
    size_t width, height;
    int colourType, depth;
    bool interlaced;
    std::vector<std::vector<png_byte>> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;       // tRNS of a palette file
    std::optional<png_color_16> transparent;  // tRNS of the other types
};

void writeRaw(const fs::path& path, const RawPng& raw) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    for (const auto& row : raw.rows) rows.push_back(const_cast<png_bytep>(row.data()));
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(raw.width),
                     static_cast<png_uint_32>(raw.height), raw.depth, raw.colourType,
                     raw.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (!raw.palette.empty())
            png_set_PLTE(png, info, raw.palette.data(), static_cast<int>(raw.palette.size()));
        if (!raw.paletteAlpha.empty() || raw.transparent)
            png_set_tRNS(png, info, raw.paletteAlpha.data(),
                         static_cast<int>(raw.paletteAlpha.size()),
                         raw.transparent ? &*raw.transparent : nullptr);
        png_write_info(png, info);
        png_set_packing(png);  // a byte a sample below 8 bits
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    } else {
        ADD_FAILURE() << "libpng failed writing " << path;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

// Inputs go through the program's writers, which the layout tests check.
template <class Picture>
void writePicture(const fs::path& path, const Picture& picture) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if constexpr (std::is_same_v<Picture, ExrImage>)
        ZevFilter::writeExr(file, path, picture);
    else
        ZevFilter::writePng(file, path, picture, 1);
    std::fclose(file);
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The program's output, through the reader that the layout test checks.
RgbaPixels readOutput(const fs::path& path) { return ZevFilter::PngReader(path, 1 << 24).read(); }
int storedColourType(const fs::path& path) { return fileText(path).at(25); }

struct Finished {
    int exitCode = -1;  // 256 + the signal's number when killed by one
    std::string out, err;
    long maxResidentKiB = 0;
};

class ZevFilterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(folder_.data()), nullptr); }
    void TearDown() override {
        for (const char* suffix : {"", ".out", ".err"}) fs::remove_all(folder_ + suffix);
    }

    fs::path file(const std::string& name) const { return fs::path(folder_) / name; }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Starts zev-filter in the test's folder, its streams going to files
    // beside it, through a launcher when given; a file size limit makes
    // writing beyond it fail.
    pid_t start(std::vector<std::string> arguments, rlim_t fileSizeLimit = 0,
                const std::vector<std::string>& launcher = {}) const {
        arguments.insert(arguments.begin(), ZEV_FILTER_PROGRAM);
        arguments.insert(arguments.begin(), launcher.begin(), launcher.end());
        std::vector<char*> argv{nullptr};
        for (auto a = arguments.rbegin(); a != arguments.rend(); ++a)
            argv.insert(argv.begin(), a->data());
        const std::string out = folder_ + ".out", err = folder_ + ".err";
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        const pid_t pid = fork();
        if (pid == 0) {
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 ||
                chdir(folder_.c_str()) != 0 || signal(SIGXFSZ, SIG_IGN) == SIG_ERR ||
                (fileSizeLimit != 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0))
                _exit(127);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    Finished finish(pid_t pid) const {
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid) ADD_FAILURE() << "wait4 failed";
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status),
                fileText(folder_ + ".out"), fileText(folder_ + ".err"), usage.ru_maxrss};
    }

    Finished run(const std::vector<std::string>& arguments, rlim_t fileSizeLimit = 0) const {
        return finish(start(arguments, fileSizeLimit));
    }

    std::string folder_ = (fs::temp_directory_path() / "zev-filter-test-XXXXXX").string();
};

// The filters in doubles, on pictures of RGBA in [0, 1] whose positions
// clamp to the picture, as the passes read it.
constexpr int kWidth = 41, kHeight = 29;
using Pixel = std::array<double, 4>;
using Picture = std::vector<Pixel>;

Pixel at(const Picture& picture, int x, int y) {
    return picture[std::clamp(y, 0, kHeight - 1) * kWidth + std::clamp(x, 0, kWidth - 1)];
}

Picture map(const std::function<Pixel(int, int)>& pixel) {
    Picture result;
    for (int i = 0; i < kWidth * kHeight; ++i) result.push_back(pixel(i % kWidth, i / kWidth));
    return result;
}

// Taps out to three sigmas.
Picture blur(const Picture& in, double sigma) {
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<double> weights;
    for (int i = -radius; i <= radius; ++i)
        weights.push_back(std::exp(-i * i / (2 * sigma * sigma)));
    const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
    const auto along = [&](const Picture& source, int dx, int dy) {
        return map([&](int x, int y) {
            Pixel total{};
            for (int i = -radius; i <= radius; ++i)
                for (size_t c = 0; c < 4; ++c)
                    total[c] += weights[i + radius] / sum * at(source, x + i * dx, y + i * dy)[c];
            return total;
        });
    };
    return along(along(in, 1, 0), 0, 1);
}

Picture unsharp(const Picture& in) {
    const Picture blurred = blur(in, 2);
    return map([&](int x, int y) {
        Pixel p = at(in, x, y);
        for (size_t c = 0; c < 3; ++c) p[c] = 2 * p[c] - at(blurred, x, y)[c];
        return p;
    });
}

Picture sobel(const Picture& in) {
    return map([&](int x, int y) {
        const double luma[3] = {0.299, 0.587, 0.114};
        const auto l = [&](int dx, int dy) {
            return std::inner_product(luma, luma + 3, at(in, x + dx, y + dy).begin(), 0.0);
        };
        const double gx = l(1, 1) + 2 * l(1, 0) + l(1, -1) - l(-1, 1) - 2 * l(-1, 0) - l(-1, -1);
        const double gy = l(-1, 1) + 2 * l(0, 1) + l(1, 1) - l(-1, -1) - 2 * l(0, -1) - l(1, -1);
        const double magnitude = std::hypot(gx, gy);
        return Pixel{magnitude, magnitude, magnitude, at(in, x, y)[3]};
    });
}

Picture sepia(const Picture& in) {
    const double tones[3][3] = {
        {0.393, 0.769, 0.189}, {0.349, 0.686, 0.168}, {0.272, 0.534, 0.131}};
    return map([&](int x, int y) {
        Pixel toned = at(in, x, y);
        for (size_t c = 0; c < 3; ++c)
            toned[c] = std::inner_product(tones[c], tones[c] + 3, at(in, x, y).begin(), 0.0);
        return toned;
    });
}

TEST_F(ZevFilterTest, EveryFilterStaysCloseToItsReferenceAtEveryPrecision) {
    // Ramps in red, 3-pixel checks in green, noise in blue, alpha in steps.
    unsigned int state = 12345;
    RgbaPixels input(kWidth, kHeight, 8);
    const Picture source = map([&](int x, int y) {
        state = state * 1103515245u + 12345u;
        Pixel p{(x + y) / double(kWidth + kHeight), (x / 3 + y / 3) % 2 ? 0.9 : 0.1,
                (state >> 16) % 256 / 255.0, x < kWidth / 2 ? 1.0 : 0.5 + y / 60.0};
        for (size_t c = 0; c < 4; ++c) {
            input.setSample(x, y, c, static_cast<unsigned int>(std::lround(p[c] * 255)));
            p[c] = input.sample(x, y, c) / 255.0;
        }
        return p;
    });
    writePicture(file("in.png"), input);
    const std::pair<std::vector<std::string>, std::function<Picture(const Picture&)>> filters[] = {
        {{"blur"}, [](const Picture& p) { return blur(p, 2); }},
        {{"blur", "--sigma", "0.7"}, [](const Picture& p) { return blur(p, 0.7); }},
        {{"sobel"}, sobel},
        {{"sepia"}, sepia},
        {{"unsharp"}, unsharp}};
    for (const char* precision : {"", "16", "32"})
        for (const auto& [filter, reference] : filters) {
            std::vector<std::string> arguments{"--input", "in.png", "--vignette", "0", "--filter"};
            arguments.insert(arguments.end(), filter.begin(), filter.end());
            if (*precision) arguments.insert(arguments.end(), {"--precision", precision});
            const std::string label = ::testing::PrintToString(arguments);
            ASSERT_EQ(run(arguments).exitCode, 0) << label;
            const RgbaPixels output = readOutput(file("zev-filter-out.png"));
            const Picture expected = reference(source);
            double largest = 0, total = 0;  // in 1/255
            for (size_t i = 0; i < expected.size() * 4; ++i) {
                const double error = std::abs(output.sample(i / 4 % kWidth, i / 4 / kWidth, i % 4) -
                                              std::clamp(expected[i / 4][i % 4], 0.0, 1.0) * 255);
                largest = std::max(largest, error);
                total += error;
            }
            EXPECT_LE(largest, 2.0) << label;
            EXPECT_LE(total / (expected.size() * 4), 0.5) << label;
        }
}

TEST_F(ZevFilterTest, DepthsVignetteAndSummaryGiveKnownPixels) {
    const RgbaPixels grey = flat(40, 30, {90, 160, 220, 255});
    const RgbaPixels deep = flat(20, 10, {40000, 1000, 65535, 30000}, 16);
    struct Case {
        const RgbaPixels& input;
        std::vector<std::string> arguments;
        int depth;  // of the output
        Colour corner;
        unsigned int tolerance;
        std::vector<std::string> summary = {};  // lines of the printed summary
    };
    const std::vector<Case> cases = {
        // One program kept: each pass evicts the other's; the second frame reuses a texture.
        {grey,
         {"unsharp", "--frames", "2", "--max-programs", "1", "--max-program-age", "0"},
         8,
         {90, 160, 220, 255},
         0,
         {"Textures:  4 allocated, 1 reused, 4 evicted\n",
          "Programs:  4 built, 2 rebuilt, 3 evicted;"}},
        // 1 - 0.5 d^2 / (20^2 + 15^2), d from the centre to the pixel's centre.
        {grey, {"blur", "--vignette", "0.5"}, 8, {47, 84, 116, 255}, 1},
        // 16 bits stay 16 bits, unless asked otherwise; the passes work in half floats.
        {deep, {"blur"}, 16, {40000, 1000, 65535, 30000}, 32},
        {deep, {"blur", "--precision", "32"}, 16, {40000, 1000, 65535, 30000}, 0},
        {deep, {"blur", "--depth", "8"}, 8, {156, 4, 255, 117}, 1},
        {grey, {"blur", "--depth", "16"}, 16, {23130, 41120, 56540, 65535}, 32},
    };
    for (const Case& c : cases) {
        writePicture(file("in.png"), c.input);
        std::vector<std::string> arguments{"--input", "in.png", "--vignette", "0", "--filter"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const std::string label = ::testing::PrintToString(c.arguments);
        const Finished finished = run(arguments);
        ASSERT_EQ(finished.exitCode, 0) << label << finished.err;
        const RgbaPixels output = readOutput(file("zev-filter-out.png"));
        EXPECT_EQ(output.bitDepth, c.depth) << label;
        for (const std::string& line : c.summary)
            EXPECT_NE(finished.out.find(line), std::string::npos) << label << finished.out;
        for (size_t ch = 0; ch < 4; ++ch)
            EXPECT_NEAR(output.sample(0, 0, ch), c.corner[ch], c.tolerance) << label << ch;
    }
}

TEST_F(ZevFilterTest, ExrKeepsChannelTypeLayoutAndWindowsAndValuesAboveOne) {
    using namespace ZevFilter;
    struct Case {
        ExrChannelType type;
        ExrLayout layout;
        ExrBox data;
        std::vector<std::string> arguments;  // the output file last
    };
    using Type = ExrChannelType;
    using Layout = ExrLayout;
    const std::vector<Case> cases = {
        {Type::Half, Layout::Rgba, {-3, 5, 12, 14}, {"--output", "out.exr"}},
        {Type::Float, Layout::Rgb, {0, 0, 15, 9}, {"--format", "exr", "--output", "o"}},
        {Type::Half, Layout::Y, {4, 0, 19, 9}, {"--output", "out.EXR"}},
        {Type::Float, Layout::Ya, {0, 0, 15, 9}, {"--precision", "16", "--output=o.exr"}},
    };
    for (const Case& c : cases) {
        const bool grey = c.layout == ExrLayout::Y || c.layout == ExrLayout::Ya;
        const std::array<float, 4> colour{0.25f, grey ? 0.25f : 0.5f, grey ? 0.25f : 2.0f, 0.75f};
        ExrImage input{c.data, {0, 0, 19, 19}, c.type, c.layout, {}};
        for (size_t i = 0; i < input.width() * input.height(); ++i)
            input.rgba.insert(input.rgba.end(), colour.begin(), colour.end());
        std::fill_n(input.at(8, 5), 3, 100.0f);  // a bright spot
        writePicture(file("in.exr"), input);
        std::vector<std::string> arguments{"--input",  "in.exr", "--vignette", "0",
                                           "--filter", "blur",   "--sigma",    "1"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const std::string label = ::testing::PrintToString(c.arguments);
        ASSERT_EQ(run(arguments).exitCode, 0) << label;
        const std::string name = c.arguments.back();
        const ExrImage output = readExr(file(name.substr(name.find('=') + 1)), {64, 4096});
        EXPECT_EQ(
            std::tie(output.channelType, output.layout, output.dataWindow, output.displayWindow),
            std::tie(c.type, c.layout, c.data, input.displayWindow))
            << label;
        const bool alpha = c.layout == ExrLayout::Rgba || c.layout == ExrLayout::Ya;
        for (size_t ch = 0; ch < 4; ++ch) {
            EXPECT_NEAR(output.at(0, 0)[ch], ch < 3 || alpha ? colour[ch] : 1.0f, 1e-3) << label;
            // A Gaussian of sigma 1 keeps 0.4 x 0.4 of the spot at its centre.
            EXPECT_GT(output.at(8, 5)[ch], ch < 3 ? 15.0f : 0.7f) << label << ch;
        }
    }
}

TEST_F(ZevFilterTest, GlxContextsOnAnXServerGiveTheHeadlessPixels) {
    if (access(ZEV_XVFB_RUN, X_OK) != 0) GTEST_SKIP() << "no xvfb-run to start an X server with";
    std::vector<std::string> arguments{"--size", "48x32", "--filter", "blur,sobel,sepia"};
    ASSERT_EQ(run(arguments).exitCode, 0);
    arguments.insert(arguments.end(), {"--output", "glx.png", "--context", "glx"});
    const Finished glx = finish(start(arguments, 0, {ZEV_XVFB_RUN, "-a", "-s", "-nolisten tcp"}));
    ASSERT_EQ(glx.exitCode, 0) << glx.err;
    EXPECT_NE(glx.out.find(", in GLX contexts on :"), std::string::npos) << glx.out;
    EXPECT_EQ(fileText(file("glx.png")), fileText(file("zev-filter-out.png")));
}

TEST_F(ZevFilterTest, RefusalsExitWithTheirStatusTouchNothingAndStaySmall) {
    writePicture(file("good.png"), flat(4, 4, {1, 2, 3, 255}));
    const std::string good = fileText(file("good.png"));
    std::ofstream(file("cut.png"), std::ios::binary) << good.substr(0, good.size() - 20);
    // Files of 4 x 4 pixels whose headers claim more.
    for (const auto& [width, height] : {std::pair{10000u, 6000u}, {20000u, 20000u}, {20000u, 2u}}) {
        std::string bytes = good;
        const uint32_t size[] = {htonl(width), htonl(height)};
        std::memcpy(&bytes[16], size, sizeof size);
        const uint32_t crc = htonl(crc32(0, reinterpret_cast<const Bytef*>(&bytes[12]), 17));
        std::memcpy(&bytes[29], &crc, sizeof crc);
        const std::string name = std::to_string(width) + "x" + std::to_string(height) + ".png";
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    writePicture(file("good.exr"),
                 ExrImage{{0, 0, 3, 3}, {0, 0, 3, 3}, {}, {}, std::vector(64, 0.5f)});
    const std::string exr = fileText(file("good.exr"));
    std::ofstream(file("cut.exr"), std::ios::binary) << exr.substr(0, exr.size() - 30);
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;  // in stderr after "zev-filter: "
        rlim_t fileSizeLimit = 0;
    };
    const std::vector<Case> cases = {
        {{"--sigma", "1e-30"}, 2, "--sigma needs a number from 0.1 to 10, got '1e-30'\n"},
        {{"--sigma", "nan"}, 2, "--sigma needs a number"},
        {{"--depth", "12"}, 2, "--depth needs 8 or 16, got '12'"},
        {{"--compression-level", "10"}, 2, "--compression-level needs a whole number from 0 to 9"},
        {{"--max-pixels", "0"}, 2, "--max-pixels needs a whole number from 1"},
        {{"--input", "/dev/zero"}, 3, "'/dev/zero' is not a PNG file\n"},
        {{"--input", "cut.png"}, 3, "'cut.png': the file ends early\n"},
        {{"--input", "10000x6000.png"}, 3, "'10000x6000.png': Not enough image data\n"},
        {{"--input", "20000x20000.png"}, 3, "'20000x20000.png' is 20000 x 20000 pixels, more"},
        {{"--input", "good.png", "--max-pixels", "15"}, 3, "'good.png' is 4 x 4 pixels, more"},
        {{"--input", "20000x2.png"}, 3, "'20000x2.png' is 20000 x 2 pixels; this GL driver's"},
        {{"--input", "good.exr", "--max-pixels", "15"}, 3, "'good.exr': data window 4x4 has more"},
        {{"--input", "cut.exr"}, 3, "'cut.exr': "},
        {{"--input", "missing.png"}, 3, "cannot read 'missing.png': No such file or directory\n"},
        {{"--input", "."}, 3, "cannot read '.': Is a directory\n"},
        {{"--output", "."}, 4, "cannot write '.': it is a directory\n"},
        {{"--output", "/dev/full"}, 4, "cannot write '/dev/full': No space left on device\n"},
        {{"--size", "256x256"}, 4, "cannot write 'out.png': File too large\n", 1000},
    };
    const std::set<std::string> before = listing();
    for (const Case& c : cases) {
        std::vector<std::string> arguments{"--output", "out.png"};
        if (c.arguments.front() != "--input") arguments.insert(arguments.end(), {"--size", "8x8"});
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Finished finished = run(arguments, c.fileSizeLimit);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(finished.exitCode, c.exitCode) << label << "\n" << finished.err;
        EXPECT_NE(finished.err.find("zev-filter: " + c.message), std::string::npos)
            << label << finished.err;
        EXPECT_EQ(finished.out, "") << label;
        EXPECT_EQ(listing(), before) << label;
        if (c.exitCode == 3) {
            EXPECT_LT(finished.maxResidentKiB, 200 * 1024) << label << ": memory follows the file";
        }
    }
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(ZevFilterTest, OutputReplacesOnlyWhatItMayAndLeavesNoTemporaryFile) {
    std::ofstream(file("kept.png")) << "old";
    fs::permissions(file("kept.png"), fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(file("target.png")) << "old";
    fs::create_symlink("target.png", file("link.png"));
    fs::create_symlink("made.png", file("dangling.png"));
    // A link planted where older versions put their temporary file.
    std::ofstream(file("victim")) << "precious";
    fs::create_symlink("victim", file("out.png.part"));
    ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
    std::string fromFifo;
    std::thread reader([&] { fromFifo = fileText(file("fifo")); });
    std::set<std::string> expected = listing();
    for (const char* output :
         {"kept.png", "link.png", "dangling.png", "out.png", "fifo", "/dev/null", "-"}) {
        const Finished finished = run({"--size", "32x16", "--output", output});
        EXPECT_EQ(finished.exitCode, 0) << output << "\n" << finished.err;
        if (std::string(output) == "-") {
            EXPECT_EQ(finished.out.substr(0, 4), "\x89PNG");
        }
    }
    if (const int fd = open(file("fifo").c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) close(fd);
    reader.join();
    EXPECT_EQ(fromFifo.substr(0, 4), "\x89PNG");
    for (const char* written : {"kept.png", "target.png", "made.png", "out.png"})
        EXPECT_EQ(readOutput(file(written)).width, 32u) << written;
    expected.insert({"made.png", "out.png"});
    EXPECT_EQ(listing(), expected) << "no temporary file is left";
    EXPECT_EQ(fs::status(file("kept.png")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(fs::is_symlink(file("link.png")) && fs::is_symlink(file("dangling.png")));
    EXPECT_EQ(fileText(file("victim")), "precious");
    EXPECT_TRUE(fs::is_fifo(file("fifo")) && fs::is_character_file("/dev/null"));
}

TEST_F(ZevFilterTest, SignalsWhileWaitingOrWritingExitAtOnceAndLeaveNothing) {
    ASSERT_EQ(mkfifo(file("in.fifo").c_str(), 0600), 0);
    const std::set<std::string> before = listing();
    // Ctrl-C while the program waits for its input, SIGTERM while it writes.
    for (const int signal : {SIGINT, SIGTERM}) {
        const bool waiting = signal == SIGINT;
        const pid_t pid = start(waiting ? std::vector<std::string>{"--input", "in.fifo"}
                                        : std::vector<std::string>{"--compression-level", "9"});
        int fd = -1;  // our end of the input, or 0 once the temporary file shows
        for (int attempt = 0; attempt < 60000 && fd < 0; usleep(1000), ++attempt)
            fd = waiting ? open(file("in.fifo").c_str(), O_WRONLY | O_NONBLOCK)
                 : listing().begin()->front() == '.' ? 0
                                                     : -1;
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
    unsigned int seed = 12345;
    const auto next = [&seed](unsigned int levels) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % levels;
    };
    const std::vector<std::pair<int, std::vector<int>>> layouts = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}}};
    for (const auto& [type, depths] : layouts)
        for (const int depth : depths)
            for (const int variant : {0, 1, 2, 3}) {  // bit 0: interlaced, bit 1: tRNS
                const bool palette = type == PNG_COLOR_TYPE_PALETTE;
                const bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0;
                const bool keyed = (variant & 2) != 0;
                if (keyed && alpha) continue;
                const size_t channels = palette ? 1 : ((type & 2) != 0 ? 3 : 1) + (alpha ? 1 : 0);
                const unsigned int levels = 1u << depth;
                const unsigned int top = depth == 16 ? 65535 : 255;
                RawPng raw{13, 11, type, depth, (variant & 1) != 0, {}, {}, {}, {}};
                for (unsigned int i = 0; palette && i < levels; ++i) {
                    raw.palette.push_back({png_byte(next(256)), png_byte(next(256)), png_byte(i)});
                    if (keyed && i <= levels / 2) raw.paletteAlpha.push_back(next(256));
                }
                RgbaPixels expected(13, 11, depth == 16 ? 16 : 8);
                std::vector<unsigned int> key;  // the first pixel's colour is transparent
                for (size_t y = 0; y < 11; ++y) {
                    std::vector<unsigned int> s;
                    for (size_t i = 0; i < 13 * channels; ++i) s.push_back(next(levels));
                    if (key.empty() && keyed && !palette) {
                        key.assign(s.begin(), s.begin() + channels);
                        raw.transparent =
                            png_color_16{0, png_uint_16(key[0]), png_uint_16(key[channels / 3]),
                                         png_uint_16(key[2 * (channels / 3)]), png_uint_16(key[0])};
                    }
                    auto& row = raw.rows.emplace_back();
                    for (const unsigned int sample : s) {
                        if (depth == 16) row.push_back(png_byte(sample >> 8));
                        row.push_back(png_byte(sample));
                    }
                    for (size_t x = 0; x < 13; ++x) {
                        const unsigned int* p = &s[x * channels];
                        const png_color entry = palette ? raw.palette[*p] : png_color{};
                        Colour colour{entry.red, entry.green, entry.blue,
                                      *p < raw.paletteAlpha.size() ? raw.paletteAlpha[*p] : top};
                        for (size_t c = 0; c < 4 && !palette; ++c)
                            colour[c] = c < 3   ? p[channels >= 3 ? c : 0] * (top / (levels - 1))
                                        : alpha ? p[channels - 1]
                                                : top;
                        if (!key.empty() && std::equal(key.begin(), key.end(), p)) colour[3] = 0;
                        for (size_t c = 0; c < 4; ++c) expected.setSample(x, y, c, colour[c]);
                    }
                }
                const std::string label = "colour type " + std::to_string(type) + ", " +
                                          std::to_string(depth) + " bits, variant " +
                                          std::to_string(variant);
                writeRaw(file("layout.png"), raw);
                const RgbaPixels decoded = ZevFilter::PngReader(file("layout.png"), 143).read();
                EXPECT_EQ(decoded.bitDepth, expected.bitDepth) << label;
                EXPECT_TRUE(decoded.bytes == expected.bytes) << label;
                writePicture(file("back.png"), decoded);
                EXPECT_TRUE(readOutput(file("back.png")).bytes == expected.bytes) << label;
                EXPECT_EQ(storedColourType(file("back.png")) == PNG_COLOR_TYPE_RGB,
                          !alpha && !keyed)
                    << label;
            }
}

}  // namespace
