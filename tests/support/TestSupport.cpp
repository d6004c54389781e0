// Shared test fixtures: contexts, read-back and live-object accounting.
#include "support/TestSupport.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "zev_ogl/ScopedBinding.h"

namespace ZEV::Test {

void sweepEveryFloatPattern(const std::function<void(uint64_t first, uint64_t stride)>& sweep) {
#if defined(__SANITIZE_ADDRESS__)
    const uint64_t stride = 17;
#else
    const uint64_t stride = 1;
#endif
    const unsigned int threadCount = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] { sweep(t * stride, stride * threadCount); });
    for (std::thread& thread : threads) thread.join();
}

// Both made on first use and kept for the whole program; EGL is never terminated.
OGL::Context& callerContext() {
    static std::unique_ptr<OGL::Context> context = OGL::createHeadlessContext();
    return *context;
}

OGL::Context& poolContext() {
    static std::unique_ptr<OGL::Context> context = OGL::createHeadlessContext(&callerContext());
    return *context;
}

namespace {

std::array<size_t, static_cast<size_t>(OGL::ObjectKind::Count)> liveCounts() {
    std::array<size_t, static_cast<size_t>(OGL::ObjectKind::Count)> counts{};
    for (size_t kind = 0; kind < counts.size(); ++kind)
        counts[kind] = OGL::LiveObjects::count(static_cast<OGL::ObjectKind>(kind));
    return counts;
}

}  // namespace

void GLTest::SetUp() {
    poolContext();
    callerContext().makeCurrent();
    atStart_ = liveCounts();
}

void GLTest::TearDown() {
    EXPECT_EQ(liveCounts(), atStart_) << "GL objects leaked (counts by OGL::ObjectKind)";
}

std::vector<float> readTexture2D(unsigned int texture, size_t width, size_t height) {
    std::vector<float> texels(width * height * 4);
    const OGL::ScopedTextureBinding bound(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
    return texels;
}

}  // namespace ZEV::Test
