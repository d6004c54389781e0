// The progress functions with no callback, and with a host callback that
// answers, cancels, misreports its batch size or throws: the line counts,
// the lines per step and the status bits they leave.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <stdexcept>
#include <tuple>

#include "image_runtime/CPUProgressCallback.h"

namespace ZEV {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr int kError = CPU_STATUS_CALLBACK_ERROR;
constexpr int kCancelled = CPU_STATUS_CANCELLED;

// The fixture is the host's callback too: it gives batch size `next` and
// answers `answer`, or throws.
class CPUProgress : public ::testing::Test, public CPUProgressCallback {
protected:
    void SetUp() override { CPUProgressCallback::setCPUProgressCallback(this); }
    void TearDown() override { CPUProgressCallback::setCPUProgressCallback(nullptr); }
    int reportProgress(void* context, float* stepPercent) override {
        if (throws) throw 7;
        *stepPercent = initialStepPercent(context);
        return answer;
    }
    float initialStepPercent(void* context) override {
        seenContext = context;
        if (throws) throw std::runtime_error("host failed");
        return next;
    }
    // Starts a job over lines [first, last); returns the lines per step.
    int start(float first, float last) {
        float bounds[4] = {0.0f, 0.0f, first, last};
        int lines = -1;
        _ZEV_initialNumberOfLines(bounds, &job, &status, &lines);
        return lines;
    }
    int check(int lines) {
        _ZEV_checkStatus(&job, &lines, &status);
        return lines;
    }
    float next = 50.0f;
    int answer = 1;
    bool throws = false;
    void* seenContext = nullptr;
    int jobTag = 0;
    CPUProgressCallbackIntermediary job{&jobTag, -1.0f, -1};
    int status = 0;
};

TEST_F(CPUProgress, BatchSizesBecomeLinesPerStepOrACallbackError) {
    // Tiny and NaN sizes, and empty or reversed jobs, advance a line at a time.
    const std::tuple<float, float, float, int, int> starts[] = {
        {50, 0, 101, 51, 0},      {25, 0, 1080, 270, 0},    {0.001f, 0, 10, 1, 0},
        {100, 0, 1080, 1080, 0},  {kNan, 0, 1080, 1, 0},    {10, 5, 5, 1, 0},
        {10, 9, 3, 1, 0},         {10, -2.9f, 3.9f, 1, 0},  {0, 0, 100, -1, kError},
        {-5, 0, 100, -1, kError}, {150, 0, 100, -1, kError}};
    for (const auto& [percent, first, last, lines, bits] : starts) {
        status = 0;
        next = percent;
        EXPECT_EQ(start(first, last), lines) << percent << " " << first;
        EXPECT_EQ(status, bits) << percent;
        EXPECT_EQ(job.stepPercent == percent, percent == percent);
    }
    EXPECT_EQ(seenContext, &jobTag);

    // The size each report leaves sets the next step; a bad size outweighs
    // the answer and leaves the step alone.
    next = 10.0f;
    ASSERT_EQ(start(0, 1000), 100);
    const std::tuple<float, int, int, int> reports[] = {
        {2.5f, 1, 25, 0},       {100, 1, 1000, 0},    {1e-6f, 1, 1, 0},  {kNan, 1, 1, 0},
        {20, 0, 0, kCancelled}, {150, 0, 17, kError}, {0, 1, 17, kError}};
    for (const auto& [size, reply, lines, bits] : reports) {
        status = 0;
        next = size;
        answer = reply;
        EXPECT_EQ(check(17), lines) << size;
        EXPECT_EQ(status, bits) << size;
    }
}

TEST_F(CPUProgress, ThrowsBecomeErrorsStatusBitsAccumulateAndLineCountsClamp) {
    status = kCancelled | 1;
    throws = true;
    job.stepPercent = 42.0f;
    EXPECT_EQ(start(0, 100), -1);
    EXPECT_EQ(job.stepPercent, 42.0f);
    EXPECT_EQ(check(9), 9);
    EXPECT_EQ(status, kCancelled | kError | 1);
    // Without a callback every step is the whole job and no bit is cleared;
    // bounds truncate, and clamp beyond the int range or where NaN.
    CPUProgressCallback::setCPUProgressCallback(nullptr);
    const std::tuple<float, float, int> bounds[] = {
        {-2e9f, 2e9f, INT_MAX}, {0.0f, 1e20f, INT_MAX}, {1e20f, -1e20f, INT_MIN},
        {kNan, 10.5f, 10},      {-5.0f, kNan, 5},       {10.7f, 30.2f, 20}};
    for (const auto& [first, last, lines] : bounds)
        EXPECT_EQ(start(first, last), lines) << first << " .. " << last;
    job.stepPercent = 3.0f;
    EXPECT_EQ(check(5), 20);
    EXPECT_EQ(job.stepPercent, 100.0f);
    EXPECT_EQ(status, kCancelled | kError | 1);
}

}  // namespace
}  // namespace ZEV
