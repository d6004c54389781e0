// zev-filter, run as a program: its pixels, its refusals, where its output
// goes and what signals do; and its PNG reader and writer, called directly
// on files this test writes with libpng in every layout PNG has.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <csetjmp>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "PngIO.h"

namespace {

namespace fs = std::filesystem;
using ZevFilter::RgbaPixels;
using Colour = std::array<unsigned int, 4>;

RgbaPixels flat(size_t width, size_t height, const Colour& colour, int depth = 8) {
    RgbaPixels picture(width, height, depth);
    for (size_t i = 0; i < width * height; ++i)
        for (size_t c = 0; c < 4; ++c) picture.setSample(i % width, i / width, c, colour[c]);
    return picture;
}

// What libpng stores: rows packed at the file's depth, 16 bits big-endian.
struct RawPng {
    RawPng(size_t w, size_t h, int type = PNG_COLOR_TYPE_RGB, int bits = 8, bool adam7 = false,
           bool withGamma = false)
        : width(w), height(h), colourType(type), depth(bits), interlaced(adam7), gamma(withGamma) {}
    size_t width = 0;
    size_t height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    bool gamma = false;
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
        if (raw.gamma) png_set_gAMA(png, info, 1.0 / 2.2);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    } else {
        ADD_FAILURE() << "libpng failed writing " << path;
    }
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

void writePicture(const fs::path& path, const RgbaPixels& picture) {
    RawPng raw{picture.width, picture.height, PNG_COLOR_TYPE_RGB_ALPHA, picture.bitDepth};
    for (size_t y = 0; y < picture.height; ++y) {
        raw.rows.emplace_back();
        for (size_t i = 0; i < picture.width * 4; ++i) {
            const unsigned int sample = picture.sample(i / 4, y, i % 4);
            if (picture.bitDepth == 16) raw.rows.back().push_back(sample >> 8);
            raw.rows.back().push_back(sample & 0xff);
        }
    }
    writeRaw(path, raw);
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The program's output, through the reader that the layout test checks.
RgbaPixels readOutput(const fs::path& path) { return ZevFilter::PngReader(path, 1 << 24).read(); }
int storedColourType(const fs::path& path) { return fileText(path).at(25); }

struct Finished {
    int exitCode = -1;  // 256 + the signal's number when killed by one
    std::string out;
    std::string err;
    long maxResidentKiB = 0;
};

class ZevFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zev-filter-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path file(const std::string& name) const { return folder_ / name; }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Starts zev-filter in the test's folder, its streams going to files
    // beside it; a file size limit makes writing beyond it fail.
    pid_t start(std::vector<std::string> arguments, rlim_t fileSizeLimit = 0) const {
        arguments.insert(arguments.begin(), ZEV_FILTER_PROGRAM);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        const std::string out = folder_.string() + ".out";
        const std::string err = folder_.string() + ".err";
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
        Finished finished;
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, 0, &usage) != pid) ADD_FAILURE() << "wait4 failed";
        finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
        finished.maxResidentKiB = usage.ru_maxrss;
        finished.out = fileText(folder_.string() + ".out");
        finished.err = fileText(folder_.string() + ".err");
        return finished;
    }

    Finished run(const std::vector<std::string>& arguments, rlim_t fileSizeLimit = 0) const {
        return finish(start(arguments, fileSizeLimit));
    }

    fs::path folder_;
};

TEST_F(ZevFilterTest, DefaultRunWritesTheDefaultFileAndSummarises) {
    const Finished finished = run({"--size", "192x108"});
    ASSERT_EQ(finished.exitCode, 0) << finished.err;
    const RgbaPixels output = readOutput(file("zev-filter-out.png"));
    ASSERT_EQ(output.width, 192u);
    EXPECT_EQ(storedColourType(file("zev-filter-out.png")), PNG_COLOR_TYPE_RGB) << "it is opaque";
    // The chain ends in sepia, whose red row outweighs green and green blue.
    for (size_t i = 0; i < output.width * output.height; i += 7)
        ASSERT_TRUE(output.sample(i % 192, i / 192, 0) >= output.sample(i % 192, i / 192, 1) &&
                    output.sample(i % 192, i / 192, 1) >= output.sample(i % 192, i / 192, 2));
    for (const char* line : {"Image:     192 x 108, built-in test image", "Renderer:  ",
                             "Output:    zev-filter-out.png", "write ", "Programs:  3 built"})
        EXPECT_NE(finished.out.find(line), std::string::npos) << line << " in\n" << finished.out;
    EXPECT_NE(finished.err.find("vignette: 50%\nvignette: 75%\n"), std::string::npos);
    const std::string help = run({"--help"}).out;
    for (const char* option : {"--output FILE", "--depth", "--compression-level", "--max-pixels",
                               "143 SIGTERM", "--max-program-age"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST_F(ZevFilterTest, FiltersGiveKnownPixels) {
    // Black on the left, white from column 16 on; a picture whose bottom
    // differs from its top, so that a flip shows; flat pictures at each depth.
    RgbaPixels edge = flat(32, 8, {0, 0, 0, 255});
    RgbaPixels halves = flat(24, 16, {200, 100, 50, 255});
    for (size_t i = 0; i < 32 * 8; ++i)
        for (size_t c = 0; c < 4; ++c) {
            if (i % 32 >= 16 && c < 3) edge.setSample(i % 32, i / 32, c, 255);
            if (i < 24 * 8) halves.setSample(i % 24, 8 + i / 24, c, Colour{10, 200, 90, 128}[c]);
        }
    const RgbaPixels grey = flat(40, 30, {90, 160, 220, 255});
    const RgbaPixels deep = flat(20, 10, {40000, 1000, 65535, 30000}, 16);
    struct Probe {
        size_t x, y;
        Colour colour;
        unsigned int tolerance;
    };
    struct Case {
        const RgbaPixels& input;
        std::vector<std::string> arguments;
        int depth;  // of the output
        std::vector<Probe> probes;
    };
    const Colour black{0, 0, 0, 255};
    const Colour white{255, 255, 255, 255};
    const Colour blue{90, 160, 220, 255};
    const std::vector<Case> cases = {
        {grey, {"blur", "--sigma", "3"}, 8, {{0, 0, blue, 0}, {39, 29, blue, 0}}},
        {grey, {"unsharp", "--sigma", "0.7"}, 8, {{0, 29, blue, 0}, {20, 15, blue, 0}}},
        {grey, {"sobel"}, 8, {{0, 0, black, 0}, {20, 15, black, 0}}},
        // A Gaussian of sigma 1 moves 30% of the step to either side of it.
        {edge,
         {"blur", "--sigma", "1"},
         8,
         {{2, 4, black, 0},
          {29, 4, white, 0},
          {15, 4, {77, 77, 77, 255}, 2},
          {16, 4, {178, 178, 178, 255}, 2}}},
        {edge, {"unsharp", "--sigma", "1"}, 8, {{15, 4, black, 0}, {16, 4, white, 0}}},
        {edge, {"sobel"}, 8, {{15, 4, white, 0}, {16, 4, white, 0}, {5, 4, black, 0}}},
        // (0.393 0.769 0.189; 0.349 0.686 0.168; 0.272 0.534 0.131) times the colour.
        {halves, {"sepia"}, 8, {{20, 7, {165, 147, 114, 255}, 1}, {3, 9, {175, 156, 121, 128}, 1}}},
        // 1 - 0.5 d^2 / (20^2 + 15^2), d from the centre to the pixel's centre.
        {grey,
         {"blur", "--vignette", "0.5"},
         8,
         {{20, 15, blue, 1}, {0, 0, {47, 84, 116, 255}, 1}}},
        // 16 bits stay 16 bits, unless asked otherwise; the passes work in half floats.
        {deep, {"blur"}, 16, {{5, 5, {40000, 1000, 65535, 30000}, 32}}},
        {deep, {"blur", "--depth", "8"}, 8, {{9, 9, {156, 4, 255, 117}, 1}}},
        {grey, {"blur", "--depth", "16"}, 16, {{9, 9, {23130, 41120, 56540, 65535}, 32}}},
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
        ASSERT_EQ(output.width, c.input.width) << label;
        for (const Probe& p : c.probes)
            for (size_t ch = 0; ch < 4; ++ch)
                EXPECT_NEAR(output.sample(p.x, p.y, ch), p.colour[ch], p.tolerance)
                    << label << " at (" << p.x << ", " << p.y << ") channel " << ch;
    }
}

TEST_F(ZevFilterTest, RefusalsExitWithTheirStatusTouchNothingAndStaySmall) {
    writePicture(file("good.png"), flat(4, 4, {1, 2, 3, 255}));
    const std::string good = fileText(file("good.png"));
    std::ofstream(file("cut.png"), std::ios::binary) << good.substr(0, good.size() - 20);
    // Files of 4 x 4 pixels whose headers claim more.
    for (const auto& [width, height] : {std::pair{10000u, 6000u}, {20000u, 20000u}, {20000u, 2u}}) {
        std::string bytes = good;
        for (size_t i = 0; i < 4; ++i) {
            bytes[16 + i] = static_cast<char>(width >> (24 - 8 * i));
            bytes[20 + i] = static_cast<char>(height >> (24 - 8 * i));
        }
        const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(&bytes[12]), 17);
        for (size_t i = 0; i < 4; ++i) bytes[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
        std::ofstream(file(std::to_string(width) + "x" + std::to_string(height) + ".png"),
                      std::ios::binary)
            << bytes;
    }
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;  // the start of stderr after "zev-filter: "
    };
    const std::vector<Case> cases = {
        {{"--sigma", "1e-30"}, 2, "--sigma needs a number from 0.1 to 10, got '1e-30'\n"},
        {{"--sigma", "nan"}, 2, "--sigma needs a number"},
        {{"--sigma", "-inf"}, 2, "--sigma needs a number"},
        {{"--vignette", "nan"}, 2, "--vignette needs a number from 0 to 1"},
        {{"--max-program-age", "inf"}, 2, "--max-program-age needs a number"},
        {{"--frames", "2.5"}, 2, "--frames needs a whole number from 1 to 10000"},
        {{"--depth", "12"}, 2, "--depth needs 8 or 16, got '12'"},
        {{"--compression-level", "10"}, 2, "--compression-level needs a whole number from 0 to 9"},
        {{"--max-pixels", "0"}, 2, "--max-pixels needs a whole number from 1"},
        {{"--filter", "emboss"}, 2, "unknown filter 'emboss' (known: blur, sobel, sepia, unsharp)"},
        {{"--input", "good.png", "--size", "8x8"}, 2, "--size applies to the built-in image only"},
        {{"--input", "/dev/zero"}, 3, "'/dev/zero' is not a PNG file\n"},
        {{"--input", "cut.png"}, 3, "'cut.png': the file ends early\n"},
        {{"--input", "10000x6000.png"}, 3, "'10000x6000.png': Not enough image data\n"},
        {{"--input", "20000x20000.png"},
         3,
         "'20000x20000.png' is 20000 x 20000 pixels, more than the limit of 100000000 pixels"},
        {{"--input", "good.png", "--max-pixels", "15"}, 3, "'good.png' is 4 x 4 pixels, more"},
        {{"--input", "20000x2.png"},
         3,
         "'20000x2.png' is 20000 x 2 pixels; this GL driver's textures take at most"},
        {{"--input", "missing.png"}, 3, "cannot read 'missing.png': No such file or directory\n"},
        {{"--input", "."}, 3, "cannot read '.': Is a directory\n"},
        {{"--output", "no/such/folder.png"}, 4, "cannot write 'no/such/folder.png': no directory"},
        {{"--output", "."}, 4, "cannot write '.': it is a directory\n"},
        {{"--output", "/dev/full"}, 4, "cannot write '/dev/full': No space left on device\n"},
    };
    const std::set<std::string> before = listing();
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        if (c.arguments.front() != "--input") arguments.insert(arguments.end(), {"--size", "8x8"});
        const Finished finished = run(arguments);
        const std::string label = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(finished.exitCode, c.exitCode) << label << "\n" << finished.err;
        EXPECT_NE(finished.err.find("zev-filter: " + c.message), std::string::npos)
            << label << finished.err;
        EXPECT_EQ(finished.out, "") << label;
        EXPECT_EQ(listing(), before) << label;
        EXPECT_LT(finished.maxResidentKiB, 200 * 1024) << label << ": memory follows the file";
    }
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

    // A write that fails part way leaves nothing behind either.
    const Finished failed = run({"--size", "256x256", "--output", "new.png"}, 1000);
    EXPECT_EQ(failed.exitCode, 4);
    EXPECT_NE(failed.err.find("zev-filter: cannot write 'new.png': File too large\n"),
              std::string::npos)
        << failed.err;
    EXPECT_EQ(listing(), expected);
}

TEST_F(ZevFilterTest, SignalsWhileWaitingOrWritingExitAtOnceAndLeaveNothing) {
    ASSERT_EQ(mkfifo(file("in.fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(file("out.fifo").c_str(), 0600), 0);
    // Each waits until the program is at its stage, and gives a descriptor
    // to close once the program has ended (0 for none, -1 on time-out).
    const auto waitingForInput = [&] {
        for (int attempt = 0; attempt < 6000; usleep(10000), ++attempt)
            if (const int fd = open(file("in.fifo").c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                return fd;
        return -1;
    };
    const auto blockedOnOutput = [&] {
        pollfd readable{open(file("out.fifo").c_str(), O_RDONLY | O_NONBLOCK), POLLIN, 0};
        return poll(&readable, 1, 60000) == 1 ? readable.fd : -1;
    };
    const auto writingTemporaryFile = [&] {
        for (int attempt = 0; attempt < 60000; usleep(1000), ++attempt)
            if (listing().begin()->front() == '.') return 0;
        return -1;
    };
    struct Case {
        std::vector<std::string> arguments;
        std::function<int()> reachStage;
        int signal;
    };
    const std::vector<Case> cases = {
        {{"--input", "in.fifo"}, waitingForInput, SIGINT},
        {{"--filter", "sepia", "--output", "out.fifo"}, blockedOnOutput, SIGTERM},
        {{"--filter", "sepia", "--compression-level", "9"}, writingTemporaryFile, SIGINT},
    };
    const std::set<std::string> before = listing();
    for (const Case& c : cases) {
        const pid_t pid = start(c.arguments);
        const int fd = c.reachStage();
        EXPECT_GE(fd, 0) << c.arguments[1] << ": the stage was never reached";
        kill(pid, c.signal);
        const Finished finished = finish(pid);
        if (fd > 0) close(fd);
        EXPECT_EQ(finished.exitCode, 128 + c.signal) << c.arguments[1] << "\n" << finished.err;
        EXPECT_NE(finished.err.find("zev-filter: cancelled; nothing written\n"), std::string::npos);
        EXPECT_EQ(listing(), before) << c.arguments[1];
    }
}

TEST_F(ZevFilterTest, EveryPngLayoutDecodesExactlyAndWritesBackExactly) {
    const std::vector<std::pair<int, std::vector<int>>> layouts = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_RGB, {8, 16}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}}};
    unsigned int seed = 12345;
    const auto next = [&seed](unsigned int levels) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % levels;
    };
    for (const auto& [type, depths] : layouts)
        for (const int depth : depths)
            for (const int variant : {0, 1, 2, 3}) {  // bit 0: interlaced, bit 1: tRNS and gAMA
                const bool palette = type == PNG_COLOR_TYPE_PALETTE;
                const bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0;
                const bool keyed = (variant & 2) != 0;
                if (keyed && alpha) continue;
                const size_t channels = palette ? 1 : ((type & 2) != 0 ? 3 : 1) + (alpha ? 1 : 0);
                const unsigned int levels = 1u << depth;
                const unsigned int scale = (depth == 16 ? 65535 : 255) / (levels - 1);
                RawPng raw{13, 11, type, depth, (variant & 1) != 0, keyed};
                for (unsigned int i = 0; palette && i < levels; ++i) {
                    raw.palette.push_back(
                        {png_byte(next(256)), png_byte(next(256)), png_byte(next(256))});
                    if (keyed && i <= levels / 2) raw.paletteAlpha.push_back(next(256));
                }
                RgbaPixels expected(13, 11, depth == 16 ? 16 : 8);
                for (size_t y = 0; y < 11; ++y) {
                    std::vector<unsigned int> s;
                    for (size_t i = 0; i < 13 * channels; ++i) s.push_back(next(levels));
                    // The first pixel's colour is the transparent one.
                    if (keyed && !palette && y == 0)
                        raw.transparent = png_color_16{
                            0, png_uint_16(s[0]), png_uint_16(s[channels == 3 ? 1 : 0]),
                            png_uint_16(s[channels == 3 ? 2 : 0]), png_uint_16(s[0])};
                    raw.rows.emplace_back((13 * channels * depth + 7) / 8);
                    png_byte* row = raw.rows.back().data();
                    for (size_t i = 0; i < s.size(); ++i) {
                        if (depth == 16) row[2 * i] = s[i] >> 8;
                        if (depth == 16) row[2 * i + 1] = s[i] & 0xff;
                        if (depth < 16) row[i * depth / 8] |= s[i] << (8 - depth - i * depth % 8);
                    }
                    for (size_t x = 0; x < 13; ++x) {
                        const unsigned int* p = &s[x * channels];
                        const unsigned int grey = *p * scale;
                        Colour colour{grey, grey, grey, alpha ? p[channels - 1] * scale : 255};
                        if (channels >= 3)
                            colour = {p[0] * scale, p[1] * scale, p[2] * scale,
                                      alpha ? p[3] * scale : 255};
                        if (depth == 16 && !alpha) colour[3] = 65535;
                        const png_color_16* key = raw.transparent ? &*raw.transparent : nullptr;
                        if (key && p[0] == key->red && p[channels == 3 ? 1 : 0] == key->green &&
                            p[channels == 3 ? 2 : 0] == key->blue)
                            colour[3] = 0;
                        if (palette) {
                            const png_color& entry = raw.palette[*p];
                            colour = {entry.red, entry.green, entry.blue,
                                      *p < raw.paletteAlpha.size() ? raw.paletteAlpha[*p] : 255u};
                        }
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

                std::FILE* out = std::fopen(file("back.png").c_str(), "wb");
                ZevFilter::writePng(out, "back.png", decoded, 3);
                std::fclose(out);
                EXPECT_TRUE(readOutput(file("back.png")).bytes == expected.bytes) << label;
                EXPECT_EQ(storedColourType(file("back.png")) == PNG_COLOR_TYPE_RGB,
                          !alpha && !keyed)
                    << label;
            }
}

}  // namespace
