// Shared test fixtures: headless contexts for the caller and the texture
// pool (one share group, created once per test program), GL read-back and
// live GL object accounting. Refusals are checked with gmock's
// ThrowsMessage<E>(StrEq(message)).
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "zev_ogl/Context.h"
#include "zev_ogl/LiveObjects.h"

namespace ZEV::Test {

// Runs sweep(first, stride) on every hardware thread so that together
// they cover the 32-bit patterns first, first + stride, ... below 2^32: all of
// them, or under the sanitizers (which check each table read and are slow)
// every 17th, a prime stride that still hits every exponent and low-bit
// residue.
void sweepEveryFloatPattern(const std::function<void(uint64_t first, uint64_t stride)>& sweep);

// The caller's context and a second one in its share group, as a host has
// them: the first for drawing, the second for the texture pool.
OGL::Context& callerContext();
OGL::Context& poolContext();

// Base fixture for tests that use OpenGL: makes the caller context current
// and fails the test if GL objects made by zev_ogl outlive it.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    // The live GL object counts, by OGL::ObjectKind.
    std::array<size_t, static_cast<size_t>(OGL::ObjectKind::Count)> atStart_{};
};

// Reads level 0 of a 2D texture back as RGBA floats, row by row from the bottom.
std::vector<float> readTexture2D(unsigned int texture, size_t width, size_t height);

}  // namespace ZEV::Test
