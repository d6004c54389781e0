// Vector and matrix value types: zeros on default construction, also in
// arrays, and indexing that reaches each component in order.
#include "zev_core/Vectors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace ZEV {
namespace {

// Default-constructs two T over garbage; true when only zero bytes are left.
template <class T>
bool zerosOverGarbage() {
    alignas(T) unsigned char storage[sizeof(T) * 2];
    std::memset(storage, 0xAB, sizeof storage);
    new (storage) T[2];
    return std::all_of(storage, storage + sizeof storage, [](unsigned char b) { return b == 0; });
}

// Reads both components through the const operator, writes the second.
template <class Vector, class Component>
void expectIndexing(Vector v, Component first, Component second) {
    const Vector& c = v;
    EXPECT_TRUE(c[0] == first && c[1] == second);
    v[1] = first;
    EXPECT_TRUE(c[0] == first && c[1] == first);
}

TEST(Vectors, DefaultsAreZerosAndIndexingReachesEachComponentInOrder) {
    EXPECT_TRUE(zerosOverGarbage<float4x4>() && zerosOverGarbage<size2>() &&
                zerosOverGarbage<bool4>() && zerosOverGarbage<int3>());
    EXPECT_TRUE(float2().size() == 2 && float3().size() == 3 && float4().size() == 4);
    expectIndexing(int2(3, -4), 3, -4);
    expectIndexing(size2(5, 6), size_t{5}, size_t{6});
    expectIndexing(float2(0.5f, 1.5f), 0.5f, 1.5f);
    expectIndexing(bool2(true, false), true, false);
    float3x3 matrix;  // row-major
    matrix(1, 2) = 5.0f;
    const float3x3& readOnly = matrix;
    EXPECT_TRUE(matrix.m[5] == 5.0f && readOnly(1, 2) == 5.0f && readOnly(2, 1) == 0.0f);
}

}  // namespace
}  // namespace ZEV
