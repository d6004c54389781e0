// Fixed-size vector and matrix value types used by every interface of the
// framework: plain contiguous components, zero on default construction.
#pragma once

#include <cstddef>

#include "zev_core/Export.h"

namespace ZEV {

struct ZEV_API bool2 {
    static constexpr size_t dimension = 2;
    bool i, j;
    constexpr bool2(bool value = false) : i(value), j(value) {}
    constexpr bool2(bool a, bool b) : i(a), j(b) {}
    bool& operator[](size_t n) { return (&i)[n]; }
    const bool& operator[](size_t n) const { return (&i)[n]; }
};

struct ZEV_API bool3 {
    static constexpr size_t dimension = 3;
    bool v[3];
    constexpr bool3(bool value = false) : v{value, value, value} {}
    bool& operator[](size_t n) { return v[n]; }
    const bool& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API bool4 {
    static constexpr size_t dimension = 4;
    bool v[4];
    constexpr bool4(bool value = false) : v{value, value, value, value} {}
    bool& operator[](size_t n) { return v[n]; }
    const bool& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API int2 {
    static constexpr size_t dimension = 2;
    int i, j;
    constexpr int2(int value = 0) : i(value), j(value) {}
    constexpr int2(int i_, int j_) : i(i_), j(j_) {}
    int& operator[](size_t n) { return n == 0 ? i : j; }
    const int& operator[](size_t n) const { return n == 0 ? i : j; }
};

struct ZEV_API int3 {
    static constexpr size_t dimension = 3;
    int v[3];
    constexpr int3(int value = 0) : v{value, value, value} {}
    int& operator[](size_t n) { return v[n]; }
    const int& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API int4 {
    static constexpr size_t dimension = 4;
    int v[4];
    constexpr int4(int value = 0) : v{value, value, value, value} {}
    int& operator[](size_t n) { return v[n]; }
    const int& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API size2 {
    static constexpr size_t dimension = 2;
    size_t i, j;
    constexpr size2(size_t value = 0) : i(value), j(value) {}
    constexpr size2(size_t i_, size_t j_) : i(i_), j(j_) {}
    size_t& operator[](size_t n) { return n == 0 ? i : j; }
    const size_t& operator[](size_t n) const { return n == 0 ? i : j; }
};

struct ZEV_API size3 {
    static constexpr size_t dimension = 3;
    size_t v[3];
    constexpr size3(size_t value = 0) : v{value, value, value} {}
    size_t& operator[](size_t n) { return v[n]; }
    const size_t& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API size4 {
    static constexpr size_t dimension = 4;
    size_t v[4];
    constexpr size4(size_t value = 0) : v{value, value, value, value} {}
    size_t& operator[](size_t n) { return v[n]; }
    const size_t& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API float2 {
    static constexpr size_t dimension = 2;
    float x, y;
    constexpr float2(float value = 0.0f) : x(value), y(value) {}
    constexpr float2(float x_, float y_) : x(x_), y(y_) {}
    constexpr size_t size() const { return 2; }
    float& operator[](size_t n) { return n == 0 ? x : y; }
    const float& operator[](size_t n) const { return n == 0 ? x : y; }
};

struct ZEV_API float3 {
    static constexpr size_t dimension = 3;
    float v[3];
    constexpr float3(float value = 0.0f) : v{value, value, value} {}
    constexpr float3(float a, float b, float c) : v{a, b, c} {}
    constexpr size_t size() const { return 3; }
    float& operator[](size_t n) { return v[n]; }
    const float& operator[](size_t n) const { return v[n]; }
};

struct ZEV_API float4 {
    static constexpr size_t dimension = 4;
    float v[4];
    constexpr float4(float value = 0.0f) : v{value, value, value, value} {}
    constexpr float4(float a, float b, float c, float d) : v{a, b, c, d} {}
    constexpr size_t size() const { return 4; }
    float& operator[](size_t n) { return v[n]; }
    const float& operator[](size_t n) const { return v[n]; }
};

// Square matrices; the element order is row-major (nothing in the runtime
// indexes them, but hosts that do can rely on it).
template <size_t N>
struct ZEV_API floatNxN {
    static constexpr size_t size = N * N;
    static constexpr size_t rows = N;
    static constexpr size_t columns = N;
    float m[N * N]{};
    float& operator()(size_t row, size_t column) { return m[row * N + column]; }
    const float& operator()(size_t row, size_t column) const { return m[row * N + column]; }
};

using float2x2 = floatNxN<2>;
using float3x3 = floatNxN<3>;
using float4x4 = floatNxN<4>;

static_assert(sizeof(bool3) == 3, "bool3 is three bytes");
static_assert(sizeof(int2) == 8 && sizeof(int4) == 16, "int vectors are packed");
static_assert(sizeof(size2) == 16, "size2 is two size_t");
static_assert(sizeof(float2) == 8 && sizeof(float4) == 16, "float vectors are packed");
static_assert(sizeof(float4x4) == 64, "float4x4 holds 16 floats and nothing else");

}  // namespace ZEV
