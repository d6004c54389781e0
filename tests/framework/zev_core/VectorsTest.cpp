// Vector and matrix value types: zero construction, constants, copying.
#include "zev_core/Vectors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

namespace ZEV {
namespace {

static_assert(sizeof(float4) == 16 && sizeof(size2) == 16 && sizeof(int2) == 8);
static_assert(sizeof(bool4) == 4 && sizeof(float3x3) == 36);
static_assert(std::is_trivially_copyable_v<float4> && std::is_standard_layout_v<float4>);

TEST(Vectors, DefaultConstructionGivesZerosAlsoInArrays) {
    // Fill the storage with garbage first so that a missing initialisation shows.
    alignas(float4) unsigned char storage[sizeof(float4) * 3];
    std::memset(storage, 0xAB, sizeof storage);
    auto* vectors = new (storage) float4[3];
    for (int n = 0; n < 3; ++n)
        for (size_t c = 0; c < 4; ++c) EXPECT_EQ(vectors[n][c], 0.0f);

    const int3 i3;
    const size2 s2;
    const bool4 b4;
    for (size_t c = 0; c < 3; ++c) EXPECT_EQ(i3[c], 0);
    EXPECT_EQ(s2.i, 0u);
    EXPECT_EQ(s2.j, 0u);
    for (size_t c = 0; c < 4; ++c) EXPECT_FALSE(b4[c]);

    const float2 filled(2.5f);
    EXPECT_EQ(filled.x, 2.5f);
    EXPECT_EQ(filled.y, 2.5f);
}

TEST(Vectors, DimensionsSizesAndComponentNames) {
    EXPECT_EQ(float2().size(), 2u);
    EXPECT_EQ(float3().size(), 3u);
    EXPECT_EQ(float4().size(), 4u);
    EXPECT_EQ(size4::dimension, 4u);
    EXPECT_EQ(bool3::dimension, 3u);
    EXPECT_EQ(float3x3::size, 9u);
    EXPECT_EQ(float3x3::rows, 3u);
    EXPECT_EQ(float3x3::columns, 3u);

    int2 v(3, -4);
    EXPECT_EQ(v[0], 3);
    EXPECT_EQ(v[1], -4);
    v[1] = 7;
    EXPECT_EQ(v.j, 7);
    size2 s(5, 6);
    s[0] = 9;
    EXPECT_EQ(s.i, 9u);
    float4 colour(0.1f, 0.2f, 0.3f, 0.4f);
    colour[3] = 1.0f;
    EXPECT_EQ(colour[3], 1.0f);
}

TEST(Vectors, AssignmentCopiesExactlyTheComponents) {
    struct Guarded {
        bool3 value;
        unsigned char guard = 0x5A;
    } target;
    bool3 source;
    source[0] = true;
    source[2] = true;
    target.value = source;
    EXPECT_TRUE(target.value[0]);
    EXPECT_FALSE(target.value[1]);
    EXPECT_TRUE(target.value[2]);
    EXPECT_EQ(target.guard, 0x5A);

    float4x4 a;
    for (size_t n = 0; n < float4x4::size; ++n) a.m[n] = static_cast<float>(n) + 0.5f;
    float4x4 b;
    b = a;
    for (size_t n = 0; n < float4x4::size; ++n) EXPECT_EQ(b.m[n], a.m[n]);
    EXPECT_EQ(b(3, 2), a.m[14]);
}

}  // namespace
}  // namespace ZEV
