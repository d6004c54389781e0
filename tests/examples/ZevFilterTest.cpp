// zev-filter, run as a program: its output files and pixels, its summary,
// its errors, and Ctrl-C. The test writes its own PNG inputs with libpng.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Colour = std::array<uint8_t, 4>;

struct Picture {
    size_t width = 0;
    size_t height = 0;
    std::vector<uint8_t> bytes;  // RGBA, rows from the top

    Colour at(size_t x, size_t y) const {
        const uint8_t* p = &bytes[(y * width + x) * 4];
        return {p[0], p[1], p[2], p[3]};
    }
};

Picture flat(size_t width, size_t height, const Colour& colour) {
    Picture picture{width, height, {}};
    for (size_t i = 0; i < width * height; ++i)
        picture.bytes.insert(picture.bytes.end(), colour.begin(), colour.end());
    return picture;
}

void writePng(const fs::path& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, picture.bytes.data(), 0, nullptr))
        << image.message;
}

Picture readPng(const fs::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGBA;
    picture.width = image.width;
    picture.height = image.height;
    picture.bytes.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.bytes.data(), 0, nullptr))
        ADD_FAILURE() << path << ": " << image.message;
    return picture;
}

// Opens a pipe for writing once a reader has opened it, giving up after a
// minute; -1 then.
int openWhenRead(const fs::path& fifo) {
    for (int attempt = 0; attempt < 6000; ++attempt) {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return fd;
        }
        usleep(10000);
    }
    return -1;
}

std::string fileText(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Channels within tolerance of each other: the passes work in half floats.
::testing::AssertionResult near(const Colour& actual, const Colour& expected, int tolerance) {
    for (size_t c = 0; c < 4; ++c) {
        if (std::abs(actual[c] - expected[c]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "(" << +actual[0] << ", " << +actual[1] << ", " << +actual[2] << ", "
                   << +actual[3] << ") is not (" << +expected[0] << ", " << +expected[1] << ", "
                   << +expected[2] << ", " << +expected[3] << ") within " << tolerance;
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult everyPixelNear(const Picture& picture, const Colour& expected,
                                          int tolerance) {
    for (size_t y = 0; y < picture.height; ++y) {
        for (size_t x = 0; x < picture.width; ++x) {
            auto result = near(picture.at(x, y), expected, tolerance);
            if (!result) return result << " at (" << x << ", " << y << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

struct Summary {
    size_t allocated = 0;
    size_t reused = 0;
    size_t freed = 0;
    size_t bytesAllocated = 0;
    size_t bytesFreed = 0;
    size_t built = 0;
    size_t evicted = 0;
};

Summary parseSummary(const std::string& out) {
    Summary summary;
    std::smatch match;
    if (std::regex_search(out, match,
                          std::regex(R"(Textures: +(\d+) allocated, (\d+) reused, (\d+) freed)"))) {
        summary.allocated = std::stoul(match[1]);
        summary.reused = std::stoul(match[2]);
        summary.freed = std::stoul(match[3]);
    } else {
        ADD_FAILURE() << "no texture line in\n" << out;
    }
    if (std::regex_search(out, match, std::regex(R"(Bytes: +(\d+) allocated .*, (\d+) freed)"))) {
        summary.bytesAllocated = std::stoul(match[1]);
        summary.bytesFreed = std::stoul(match[2]);
    } else {
        ADD_FAILURE() << "no byte line in\n" << out;
    }
    if (std::regex_search(out, match, std::regex(R"(Programs: +(\d+) built, (\d+) evicted)"))) {
        summary.built = std::stoul(match[1]);
        summary.evicted = std::stoul(match[2]);
    } else {
        ADD_FAILURE() << "no program line in\n" << out;
    }
    return summary;
}

class ZevFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "zev-filter-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path file(const std::string& name) const { return folder_ / name; }

    // Starts zev-filter in the test's folder with its output going to files.
    pid_t start(const std::vector<std::string>& arguments) const {
        std::vector<std::string> argv{ZEV_FILTER_PROGRAM};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        std::vector<char*> pointers;
        pointers.reserve(argv.size() + 1);
        for (std::string& argument : argv) pointers.push_back(argument.data());
        pointers.push_back(nullptr);
        const std::string out = file("stdout.txt").string();
        const std::string err = file("stderr.txt").string();
        const pid_t pid = fork();
        if (pid == 0) {
            const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 ||
                chdir(folder_.c_str()) != 0)
                _exit(127);
            execv(pointers[0], pointers.data());
            _exit(127);
        }
        return pid;
    }

    Finished finish(pid_t pid) const {
        Finished finished;
        int status = 0;
        if (waitpid(pid, &status, 0) != pid) ADD_FAILURE() << "waitpid failed";
        finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        finished.out = fileText(file("stdout.txt"));
        finished.err = fileText(file("stderr.txt"));
        fs::remove(file("stdout.txt"));
        fs::remove(file("stderr.txt"));
        return finished;
    }

    Finished run(const std::vector<std::string>& arguments) const {
        return finish(start(arguments));
    }

    // Runs with the output in the test's folder and reads it back.
    Picture filtered(const Picture& input, const std::vector<std::string>& arguments) {
        writePng(file("in.png"), input);
        std::vector<std::string> all{"--input", file("in.png"), "--output", file("out.png")};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const Finished finished = run(all);
        EXPECT_EQ(finished.exitCode, 0) << finished.err;
        Picture output = readPng(file("out.png"));
        EXPECT_EQ(output.width, input.width);
        EXPECT_EQ(output.height, input.height);
        fs::remove(file("out.png"));
        return output;
    }

    fs::path folder_;
};

TEST_F(ZevFilterTest, DefaultRunFiltersTheBuiltInImageIntoTheDefaultFile) {
    const Finished finished = run({});
    ASSERT_EQ(finished.exitCode, 0) << finished.err;

    const Picture output = readPng(file("zev-filter-out.png"));
    ASSERT_EQ(output.width, 1920u);
    ASSERT_EQ(output.height, 1080u);
    // The chain ends in sepia, whose red row outweighs green and green blue
    // for every input; the vignette scales all three alike.
    for (size_t y = 0; y < output.height; y += 7) {
        for (size_t x = 0; x < output.width; x += 5) {
            const Colour c = output.at(x, y);
            ASSERT_TRUE(c[0] >= c[1] && c[1] >= c[2] && c[3] == 255) << x << ", " << y;
        }
    }

    EXPECT_NE(finished.out.find("Image:     1920 x 1080, built-in test image"), std::string::npos)
        << finished.out;
    EXPECT_TRUE(std::regex_search(finished.out, std::regex(R"(Renderer:  \S)")));
    EXPECT_NE(finished.out.find("Output:    zev-filter-out.png"), std::string::npos);
    for (const char* stage : {"test image", "set-up", "upload", "filters", "read-back", "vignette",
                              "write", "shut-down"})
        EXPECT_TRUE(
            std::regex_search(finished.out, std::regex(std::string(stage) + R"( \d+\.\d ms)")))
            << stage;
    // Unsharp (a row pass, then its column pass with sepia folded in) on
    // the upload, all in RGBA8: three pooled images, two programs, none
    // evicted below the cache's size.
    const Summary summary = parseSummary(finished.out);
    EXPECT_EQ(summary.allocated + summary.reused, 3u);
    EXPECT_EQ(summary.freed, summary.allocated);
    EXPECT_EQ(summary.bytesAllocated, summary.allocated * 1920 * 1080 * 4);
    EXPECT_EQ(summary.bytesFreed, summary.bytesAllocated);
    EXPECT_EQ(summary.built, 2u);
    EXPECT_EQ(summary.evicted, 0u);
    // Piped, the progress comes as plain lines.
    EXPECT_NE(finished.err.find("vignette: 25%\nvignette: 50%\nvignette: 75%\nvignette: 100%\n"),
              std::string::npos)
        << finished.err;
}

TEST_F(ZevFilterTest, FlatPicturesStayFlatUnderBlurAndUnsharpAndHaveNoEdges) {
    const Colour colour{90, 160, 220, 255};
    const Picture input = flat(40, 30, colour);
    EXPECT_TRUE(everyPixelNear(
        filtered(input, {"--filter", "blur", "--sigma", "3", "--vignette", "0"}), colour, 0));
    EXPECT_TRUE(everyPixelNear(
        filtered(input, {"--filter", "unsharp", "--sigma", "0.7", "--vignette", "0"}), colour, 0));
    EXPECT_TRUE(everyPixelNear(filtered(input, {"--filter", "sobel", "--vignette", "0"}),
                               Colour{0, 0, 0, 255}, 0));
}

TEST_F(ZevFilterTest, FiltersChangePixelsWhereTheyMust) {
    // Black on the left, white from column 16 on.
    Picture edge = flat(32, 8, Colour{0, 0, 0, 255});
    for (size_t y = 0; y < edge.height; ++y)
        for (size_t x = 16; x < edge.width; ++x)
            for (size_t c = 0; c < 3; ++c) edge.bytes[(y * edge.width + x) * 4 + c] = 255;

    const Picture blurred = filtered(edge, {"--filter", "blur", "--sigma", "1", "--vignette", "0"});
    EXPECT_TRUE(near(blurred.at(2, 4), Colour{0, 0, 0, 255}, 0));
    EXPECT_TRUE(near(blurred.at(29, 4), Colour{255, 255, 255, 255}, 0));
    // A Gaussian of sigma 1 (radius 3) moves 30% of the step to the pixels
    // on either side of it.
    EXPECT_TRUE(near(blurred.at(15, 4), Colour{77, 77, 77, 255}, 2));
    EXPECT_TRUE(near(blurred.at(16, 4), Colour{178, 178, 178, 255}, 2));

    const Picture sharpened =
        filtered(edge, {"--filter", "unsharp", "--sigma", "1", "--vignette", "0"});
    EXPECT_TRUE(near(sharpened.at(15, 4), Colour{0, 0, 0, 255}, 0)) << "undershoot is clamped";
    EXPECT_TRUE(near(sharpened.at(2, 4), Colour{0, 0, 0, 255}, 0));

    const Picture edges = filtered(edge, {"--filter", "sobel", "--vignette", "0"});
    EXPECT_TRUE(near(edges.at(15, 4), Colour{255, 255, 255, 255}, 0));
    EXPECT_TRUE(near(edges.at(16, 4), Colour{255, 255, 255, 255}, 0));
    EXPECT_TRUE(near(edges.at(5, 4), Colour{0, 0, 0, 255}, 0));
    EXPECT_TRUE(near(edges.at(25, 0), Colour{0, 0, 0, 255}, 0)) << "borders repeat the edge pixels";
}

TEST_F(ZevFilterTest, SepiaGivesKnownTonesInPlace) {
    // The top half and the bottom half differ, so a flipped result shows.
    Picture input = flat(24, 16, Colour{200, 100, 50, 255});
    for (size_t i = input.bytes.size() / 2; i < input.bytes.size(); i += 4) {
        input.bytes[i] = 10;
        input.bytes[i + 1] = 200;
        input.bytes[i + 2] = 90;
        input.bytes[i + 3] = 128;
    }
    const Picture toned = filtered(input, {"--filter", "sepia", "--vignette", "0"});
    // (0.393 0.769 0.189; 0.349 0.686 0.168; 0.272 0.534 0.131) times the colour.
    EXPECT_TRUE(near(toned.at(3, 2), Colour{165, 147, 114, 255}, 1));
    EXPECT_TRUE(near(toned.at(20, 7), Colour{165, 147, 114, 255}, 1));
    EXPECT_TRUE(near(toned.at(3, 9), Colour{175, 156, 121, 128}, 1));
    EXPECT_TRUE(near(toned.at(20, 15), Colour{175, 156, 121, 128}, 1));
}

TEST_F(ZevFilterTest, VignetteDarkensTowardsTheCorners) {
    const Picture output = filtered(flat(64, 48, Colour{200, 200, 200, 255}),
                                    {"--filter", "blur", "--vignette", "0.5"});
    // 1 - 0.5 * d^2 / (32^2 + 24^2), d from the centre to the pixel's centre.
    EXPECT_TRUE(near(output.at(32, 24), Colour{200, 200, 200, 255}, 1));
    EXPECT_TRUE(near(output.at(0, 0), Colour{103, 103, 103, 255}, 1));
    EXPECT_TRUE(near(output.at(63, 47), Colour{103, 103, 103, 255}, 1));
    EXPECT_TRUE(near(output.at(32, 0), Colour{165, 165, 165, 255}, 1));
}

TEST_F(ZevFilterTest, SummaryCountsPoolReuseAndProgramEviction) {
    const std::vector<std::string> chain{"--size",   "64x32",         "--filter", "blur,sobel",
                                         "--filter", "sepia,unsharp", "--frames", "2",
                                         "--output", file("out.png")};
    // Per frame: blur's two passes, sobel with sepia folded in, unsharp's
    // two passes; one upload.
    const size_t acquired = 1 + 2 * 5;

    // A cache of one program with no idle time: every change of program
    // evicts the one before, so a frame builds five programs and every build
    // but the very first evicts one.
    std::vector<std::string> tight = chain;
    tight.insert(tight.end(), {"--max-programs", "1", "--max-program-age", "0"});
    Finished finished = run(tight);
    ASSERT_EQ(finished.exitCode, 0) << finished.err;
    Summary summary = parseSummary(finished.out);
    EXPECT_EQ(summary.built, 10u);
    EXPECT_EQ(summary.evicted, 9u);
    EXPECT_EQ(summary.allocated + summary.reused, acquired);
    EXPECT_LE(summary.allocated, 5u) << "textures are reused across passes and frames";
    EXPECT_EQ(summary.freed, summary.allocated);
    EXPECT_EQ(summary.bytesAllocated, summary.allocated * 64 * 32 * 4);
    EXPECT_EQ(summary.bytesFreed, summary.bytesAllocated);
    EXPECT_TRUE(fs::exists(file("out.png")));

    // A roomy cache builds each of the four programs once.
    std::vector<std::string> roomy = chain;
    roomy.insert(roomy.end(), {"--max-programs", "128", "--max-program-age", "60"});
    finished = run(roomy);
    ASSERT_EQ(finished.exitCode, 0) << finished.err;
    summary = parseSummary(finished.out);
    EXPECT_EQ(summary.built, 4u);
    EXPECT_EQ(summary.evicted, 0u);
    EXPECT_EQ(summary.allocated + summary.reused, acquired);
}

TEST_F(ZevFilterTest, BadInputsFailWithTheirStatusAndWriteNothing) {
    writePng(file("good.png"), flat(4, 4, Colour{1, 2, 3, 255}));
    std::ofstream(file("text.png")) << "not a picture at all";
    {
        std::ifstream good(file("good.png"), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(good)), std::istreambuf_iterator<char>());
        std::ofstream(file("cut.png"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    const std::string out = file("out.png");
    const std::string help = "\nTry 'zev-filter --help'.\n";
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;  // all of stderr when it ends in a newline, else its start
    };
    const std::vector<Case> cases = {
        {{"--filter", "emboss"},
         2,
         "zev-filter: unknown filter 'emboss' (known: blur, sobel, sepia, unsharp)" + help},
        {{"--filter", "blur,,sepia"}, 2, "zev-filter: unknown filter ''"},
        {{"--sigma", "0"},
         2,
         "zev-filter: --sigma needs a number greater than 0 and at most 10, got '0'" + help},
        {{"--sigma", "10.5"}, 2, "zev-filter: --sigma needs a number"},
        {{"--sigma=abc"}, 2, "zev-filter: --sigma needs a number"},
        {{"--frames", "0"},
         2,
         "zev-filter: --frames needs a whole number from 1 to 10000, got '0'" + help},
        {{"--frames", "2.5"}, 2, "zev-filter: --frames needs a whole number"},
        {{"--vignette", "-0.1"}, 2, "zev-filter: --vignette needs a number from 0 to 1"},
        {{"--size", "640"}, 2, "zev-filter: --size needs WIDTHxHEIGHT"},
        {{"--size", "0x10"}, 2, "zev-filter: --size needs WIDTHxHEIGHT"},
        {{"--max-programs", "-1"}, 2, "zev-filter: --max-programs needs a whole number"},
        {{"--max-program-age", "soon"}, 2, "zev-filter: --max-program-age needs a number"},
        {{"--input", file("good.png"), "--size", "8x8"},
         2,
         "zev-filter: --size applies to the built-in image only, not with --input" + help},
        {{"--sharpen"}, 2, "zev-filter: unknown option '--sharpen'" + help},
        {{"--input"}, 2, "zev-filter: --input needs a value" + help},
        {{"--input", file("missing.png")},
         3,
         "zev-filter: cannot read '" + file("missing.png").string() +
             "': No such file or directory\n"},
        {{"--input", folder_}, 3, "zev-filter: cannot read '" + folder_.string() + "': "},
        {{"--input", file("text.png")},
         3,
         "zev-filter: '" + file("text.png").string() + "' is not a PNG file\n"},
        {{"--input", file("cut.png")}, 3, "zev-filter: '" + file("cut.png").string() + "': "},
        {{"--output", file("no/such/folder.png")},
         4,
         "zev-filter: cannot write '" + file("no/such/folder.png").string() + "': no directory"},
        {{"--output", folder_}, 4, "zev-filter: cannot write '" + folder_.string() + "': it is a"},
    };
    for (const Case& c : cases) {
        // First, so that a case's own --output wins and its last option stays last.
        std::vector<std::string> arguments{"--output", out};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const Finished finished = run(arguments);
        const std::string label = c.arguments.front() + " " + c.arguments.back();
        EXPECT_EQ(finished.exitCode, c.exitCode) << label << "\n" << finished.err;
        if (c.message.back() == '\n')
            EXPECT_EQ(finished.err, c.message) << label;
        else
            EXPECT_EQ(finished.err.rfind(c.message, 0), 0u) << label << "\n" << finished.err;
        EXPECT_EQ(finished.out, "") << label;
        EXPECT_FALSE(fs::exists(out)) << label;
        EXPECT_FALSE(fs::exists(file("zev-filter-out.png"))) << label;
    }
}

TEST_F(ZevFilterTest, HelpDescribesEveryOptionAndRunsNothing) {
    const Finished finished = run({"--help"});
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(finished.out.rfind("Usage: zev-filter [options]\n", 0), 0u);
    for (const char* word : {"--input", "--output", "--filter", "--sigma", "--frames", "--vignette",
                             "--size", "--max-programs", "--max-program-age",
                             "blur, sobel, sepia, unsharp", "zev-filter-out.png"})
        EXPECT_NE(finished.out.find(word), std::string::npos) << word;
    EXPECT_EQ(finished.err, "");
    EXPECT_FALSE(fs::exists(file("zev-filter-out.png")));
}

TEST_F(ZevFilterTest, CtrlCCancelsTheCpuPassThroughTheProgressCallback) {
    // Reading from a pipe holds the program at a known point: once our end
    // is open, it is reading its input, with Ctrl-C already taken over.
    const fs::path fifo = file("in.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    writePng(file("in.png"), flat(16, 16, Colour{50, 60, 70, 255}));
    const std::string png = fileText(file("in.png"));
    const pid_t pid = start({"--input", fifo, "--filter", "sepia", "--output", file("out.png")});
    ASSERT_GT(pid, 0);
    const int writer = openWhenRead(fifo);
    ASSERT_GE(writer, 0) << "zev-filter never opened its input";
    ASSERT_EQ(kill(pid, SIGINT), 0);
    EXPECT_EQ(write(writer, png.data(), png.size()), static_cast<ssize_t>(png.size()));
    close(writer);
    const Finished finished = finish(pid);
    EXPECT_EQ(finished.exitCode, 130) << finished.err;
    EXPECT_NE(finished.err.find("vignette: cancelled at "), std::string::npos) << finished.err;
    EXPECT_NE(finished.err.find("zev-filter: cancelled; nothing written\n"), std::string::npos);
    EXPECT_EQ(finished.out, "");
    EXPECT_FALSE(fs::exists(file("out.png")));
    EXPECT_FALSE(fs::exists(file("out.png.part")));
}

}  // namespace
