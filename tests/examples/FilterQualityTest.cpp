// zev-filter's filters against a double-precision reference of each, computed here on a
// small picture with ramps, hard edges, noise and varying alpha, at every working precision.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 41;
constexpr int kHeight = 29;

using Pixel = std::array<double, 4>;  // RGBA in [0, 1]
using Picture = std::vector<Pixel>;   // rows from the top

// Positions are clamped to the picture, as the passes read it.
Pixel at(const Picture& picture, int x, int y) {
    const int index = std::clamp(y, 0, kHeight - 1) * kWidth + std::clamp(x, 0, kWidth - 1);
    return picture[static_cast<size_t>(index)];
}

Picture map(const std::function<Pixel(int, int)>& pixel) {
    Picture result;
    for (int i = 0; i < kWidth * kHeight; ++i) result.push_back(pixel(i % kWidth, i / kWidth));
    return result;
}

// The program's default: sigma 2, taps out to three sigmas.
Picture blur(const Picture& in) {
    std::vector<double> weights;
    for (int i = -6; i <= 6; ++i) weights.push_back(std::exp(-i * i / 8.0));
    const double sum = std::accumulate(weights.begin(), weights.end(), 0.0);
    const auto along = [&](const Picture& source, int dx, int dy) {
        return map([&](int x, int y) {
            Pixel total{};
            for (int i = -6; i <= 6; ++i)
                for (size_t c = 0; c < 4; ++c)
                    total[c] += weights[i + 6] / sum * at(source, x + i * dx, y + i * dy)[c];
            return total;
        });
    };
    return along(along(in, 1, 0), 0, 1);
}

Picture unsharp(const Picture& in) {
    const Picture blurred = blur(in);
    return map([&](int x, int y) {
        Pixel p = at(in, x, y);
        for (size_t c = 0; c < 3; ++c) p[c] = 2.0 * p[c] - at(blurred, x, y)[c];
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

TEST(FilterQualityTest, EveryFilterStaysCloseToItsReferenceAtEveryPrecision) {
    // Ramps in red, 3-pixel checks in green, noise in blue, alpha in steps;
    // the reference starts from the bytes the program reads.
    unsigned int state = 12345;
    const Picture source = map([&](int x, int y) {
        state = state * 1103515245u + 12345u;
        Pixel p{(x + y) / double(kWidth + kHeight), (x / 3 + y / 3) % 2 ? 0.9 : 0.1,
                (state >> 16) % 256 / 255.0, x < kWidth / 2 ? 1.0 : 0.5 + y / 60.0};
        for (double& c : p) c = std::round(c * 255.0) / 255.0;
        return p;
    });
    std::vector<uint8_t> input;
    for (const Pixel& p : source)
        for (const double c : p) input.push_back(static_cast<uint8_t>(std::lround(c * 255.0)));
    // Files in the test's working folder.
    const std::string files = " --input zev-quality-in.png --output zev-quality-out.png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, "zev-quality-in.png", 0, input.data(), 0, nullptr));

    const std::pair<const char*, Picture (*)(const Picture&)> filters[] = {
        {"blur", blur}, {"sobel", sobel}, {"sepia", sepia}, {"unsharp", unsharp}};
    for (const char* precision : {"", " --precision 16", " --precision 32"}) {
        for (const auto& [name, reference] : filters) {
            std::string command = ZEV_FILTER_PROGRAM;
            command.append(files).append(" --vignette 0 --filter ").append(name).append(precision);
            ASSERT_EQ(std::system((command + " > /dev/null 2>&1").c_str()), 0) << command;
            png_image result{};
            result.version = PNG_IMAGE_VERSION;
            ASSERT_TRUE(png_image_begin_read_from_file(&result, "zev-quality-out.png"));
            result.format = PNG_FORMAT_RGBA;
            std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(result));
            ASSERT_TRUE(png_image_finish_read(&result, nullptr, bytes.data(), 0, nullptr));

            const Picture expected = reference(source);
            std::vector<double> errors;  // in 1/255
            for (size_t i = 0; i < input.size(); ++i)
                errors.push_back(
                    std::abs(bytes.at(i) - std::clamp(expected[i / 4][i % 4], 0.0, 1.0) * 255.0));
            EXPECT_LE(*std::max_element(errors.begin(), errors.end()), 2.0) << command;
            EXPECT_LE(std::accumulate(errors.begin(), errors.end(), 0.0) / errors.size(), 0.5)
                << command;
        }
    }
}

}  // namespace
