// zev-filter's vector quantisation against the rule it stands for: std::lround of the value
// clamped to [0, 1], NaN as 0.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Quantise.h"

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
    ZevFilter::quantiseRow(colours.data(), colours.size(), bytes.data());
    ZevFilter::quantiseRow(colours.data(), colours.size(), words.data());
    for (size_t n = 0; n < values.size(); ++n) {
        const float level = values[n] > 0.0f ? std::min(values[n], 1.0f) : 0.0f;
        ASSERT_EQ(bytes[n], std::lround(level * 255.0f)) << values[n];
        ASSERT_EQ(words[n], std::lround(level * 65535.0f)) << values[n];
    }
}
