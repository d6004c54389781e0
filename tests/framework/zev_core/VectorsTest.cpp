// Vector and matrix value types: zeros on default construction, also in
// arrays, and indexing that reaches each component in order.
#include "zev_core/Vectors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

namespace ZEV {
namespace {

TEST(Vectors, DefaultConstructionGivesZerosOverGarbage) {
    alignas(float4x4) unsigned char storage[sizeof(float4x4) * 2];
    std::memset(storage, 0xAB, sizeof storage);
    const auto* matrices = new (storage) float4x4[2];
    for (size_t n = 0; n < 2 * float4x4::size; ++n) EXPECT_EQ(matrices[n / 16].m[n % 16], 0.0f);
    std::memset(storage, 0xAB, sizeof storage);
    const auto* sizes = new (storage) size2[3];
    const auto* flags = new (storage + 3 * sizeof(size2)) bool4;
    for (size_t n = 0; n < 3; ++n) EXPECT_TRUE(sizes[n].i == 0 && sizes[n].j == 0);
    for (size_t c = 0; c < 4; ++c) EXPECT_FALSE((*flags)[c]);
    EXPECT_EQ(int3()[2], 0);
    EXPECT_EQ(float2(2.5f).y, 2.5f);
    EXPECT_TRUE(float2().size() == 2 && float3().size() == 3 && float4().size() == 4);
}

// Reads both components through the const operator, then writes the second
// through the other one.
template <class Vector, class Component>
void expectIndexing(Vector v, Component first, Component second) {
    const Vector& c = v;
    EXPECT_TRUE(c[0] == first && c[1] == second);
    v[1] = first;
    EXPECT_TRUE(c[0] == first && c[1] == first);
}

TEST(Vectors, IndexingReachesEachComponentInOrder) {
    expectIndexing(int2(3, -4), 3, -4);
    expectIndexing(size2(5, 6), size_t{5}, size_t{6});
    expectIndexing(float2(0.5f, 1.5f), 0.5f, 1.5f);
    expectIndexing(bool2(true, false), true, false);
    float3x3 matrix;
    for (size_t n = 0; n < float3x3::size; ++n) matrix(n / 3, n % 3) = static_cast<float>(n);
    const float3x3& readOnly = matrix;
    for (size_t n = 0; n < float3x3::size; ++n) EXPECT_EQ(readOnly(n / 3, n % 3), matrix.m[n]);
    EXPECT_EQ(matrix.m[5], 5.0f);
}

}  // namespace
}  // namespace ZEV
