// zev-filter's filters against a double-precision reference of each, computed
// here on a small picture with smooth ramps, hard edges, noise and varying
// alpha, at every working precision.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 41;
constexpr int kHeight = 29;
constexpr double kSigma = 2.0;

using Pixel = std::array<double, 4>;  // RGBA in [0, 1]
using Picture = std::vector<Pixel>;   // rows from the top

// Texel (x, y) with positions clamped to the picture, as the passes read it.
Pixel at(const Picture& picture, int x, int y) {
    return picture[static_cast<size_t>(std::clamp(y, 0, kHeight - 1) * kWidth +
                                       std::clamp(x, 0, kWidth - 1))];
}

Picture map(const Picture& source, const std::function<Pixel(int, int)>& pixel) {
    Picture result(source.size());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) result[static_cast<size_t>(y * kWidth + x)] = pixel(x, y);
    return result;
}

Picture blur(const Picture& source) {
    const int radius = static_cast<int>(std::ceil(3.0 * kSigma));
    std::vector<double> weights;
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i) {
        weights.push_back(std::exp(-i * i / (2.0 * kSigma * kSigma)));
        sum += weights.back();
    }
    const auto along = [&](const Picture& in, int dx, int dy) {
        return map(in, [&](int x, int y) {
            Pixel total{};
            for (int i = -radius; i <= radius; ++i)
                for (size_t c = 0; c < 4; ++c)
                    total[c] += weights[static_cast<size_t>(i + radius)] / sum *
                                at(in, x + i * dx, y + i * dy)[c];
            return total;
        });
    };
    return along(along(source, 1, 0), 0, 1);
}

Picture unsharp(const Picture& source) {
    const Picture blurred = blur(source);
    return map(source, [&](int x, int y) {
        Pixel p = at(source, x, y);
        for (size_t c = 0; c < 3; ++c) p[c] = 2.0 * p[c] - at(blurred, x, y)[c];
        return p;
    });
}

Picture sobel(const Picture& source) {
    return map(source, [&](int x, int y) {
        const auto l = [&](int dx, int dy) {
            const Pixel p = at(source, x + dx, y + dy);
            return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        };
        const double gx = l(1, 1) + 2 * l(1, 0) + l(1, -1) - l(-1, 1) - 2 * l(-1, 0) - l(-1, -1);
        const double gy = l(-1, 1) + 2 * l(0, 1) + l(1, 1) - l(-1, -1) - 2 * l(0, -1) - l(1, -1);
        const double magnitude = std::hypot(gx, gy);
        return Pixel{magnitude, magnitude, magnitude, at(source, x, y)[3]};
    });
}

Picture sepia(const Picture& source) {
    return map(source, [&](int x, int y) {
        const Pixel p = at(source, x, y);
        const auto tone = [&](double r, double g, double b) {
            return r * p[0] + g * p[1] + b * p[2];
        };
        return Pixel{tone(0.393, 0.769, 0.189), tone(0.349, 0.686, 0.168),
                     tone(0.272, 0.534, 0.131), p[3]};
    });
}

// Ramps in red, 3-pixel checks in green, noise in blue, alpha in steps.
Picture testPicture() {
    unsigned int state = 12345;
    return map(Picture(kWidth * kHeight), [&](int x, int y) {
        state = state * 1103515245u + 12345u;
        return Pixel{(x + y) / double(kWidth + kHeight), ((x / 3 + y / 3) % 2) ? 0.9 : 0.1,
                     (state >> 16) % 256 / 255.0, x < kWidth / 2 ? 1.0 : 0.5 + y / 60.0};
    });
}

std::vector<uint8_t> quantised(const Picture& picture) {
    std::vector<uint8_t> bytes;
    for (const Pixel& p : picture)
        for (const double c : p) bytes.push_back(static_cast<uint8_t>(std::lround(c * 255.0)));
    return bytes;
}

TEST(FilterQualityTest, EveryFilterStaysCloseToItsReferenceAtEveryPrecision) {
    const fs::path folder =
        fs::temp_directory_path() / ("zev-filter-quality-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    std::vector<uint8_t> input = quantised(testPicture());
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(
        png_image_write_to_file(&image, (folder / "in.png").c_str(), 0, input.data(), 0, nullptr));
    // The reference starts from the bytes the program reads.
    Picture source(kWidth * kHeight);
    for (size_t i = 0; i < input.size(); ++i) source[i / 4][i % 4] = input[i] / 255.0;

    const std::pair<const char*, Picture (*)(const Picture&)> filters[] = {
        {"blur", blur}, {"sobel", sobel}, {"sepia", sepia}, {"unsharp", unsharp}};
    for (const char* precision : {"", " --precision 16", " --precision 32"}) {
        for (const auto& [name, reference] : filters) {
            SCOPED_TRACE(std::string(name) + precision);
            const fs::path output = folder / "out.png";
            const std::string command = std::string(ZEV_FILTER_PROGRAM) + " --input " +
                                        (folder / "in.png").string() + " --output " +
                                        output.string() + " --vignette 0 --filter " + name +
                                        precision + " > /dev/null 2>&1";
            ASSERT_EQ(std::system(command.c_str()), 0);
            png_image result{};
            result.version = PNG_IMAGE_VERSION;
            ASSERT_TRUE(png_image_begin_read_from_file(&result, output.c_str()));
            result.format = PNG_FORMAT_RGBA;
            std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(result));
            ASSERT_TRUE(png_image_finish_read(&result, nullptr, bytes.data(), 0, nullptr));
            ASSERT_EQ(bytes.size(), input.size());

            const Picture expected = reference(source);
            double worst = 0.0;
            double total = 0.0;
            for (size_t i = 0; i < bytes.size(); ++i) {
                const double wanted = std::clamp(expected[i / 4][i % 4], 0.0, 1.0) * 255.0;
                const double error = std::abs(bytes[i] - wanted);
                worst = std::max(worst, error);
                total += error;
            }
            EXPECT_LE(worst, 2.0);
            EXPECT_LE(total / static_cast<double>(bytes.size()), 0.5);
        }
    }
    fs::remove_all(folder);
}

}  // namespace
