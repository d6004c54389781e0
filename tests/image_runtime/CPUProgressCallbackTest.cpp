// The progress functions with no callback, with a host callback that answers,
// cancels, misreports its batch size or throws, and the status bits they leave.
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <utility>

#include "image_runtime/CPUProgressCallback.h"

namespace ZEV {
namespace {

// A host callback whose answers the test sets, and which records the
// context it was handed.
class HostCallback : public CPUProgressCallback {
public:
    enum class Throw { Nothing, StdException, Integer };

    float initial = 50.0f;
    float next = 50.0f;  // what reportProgress leaves in *stepPercent
    int answer = 1;
    Throw throws = Throw::Nothing;
    void* seenContext = nullptr;

    int reportProgress(void* callbackContext, float* stepPercent) override {
        seenContext = callbackContext;
        *stepPercent = next;
        throwIfAsked();
        return answer;
    }
    float initialStepPercent(void* callbackContext) override {
        seenContext = callbackContext;
        throwIfAsked();
        return initial;
    }

private:
    void throwIfAsked() const {
        if (throws == Throw::StdException) throw std::runtime_error("host failed");
        if (throws == Throw::Integer) throw 7;
    }
};

class CPUProgress : public ::testing::Test {
protected:
    void SetUp() override { CPUProgressCallback::setCPUProgressCallback(&host); }
    void TearDown() override { CPUProgressCallback::setCPUProgressCallback(nullptr); }

    // Starts a job over lines [first, last) and returns the lines per step.
    int start(float first, float last) {
        float bounds[4] = {0.0f, 0.0f, first, last};
        int lines = -1;
        _ZEV_initialNumberOfLines(bounds, &job, &status, &lines);
        return lines;
    }
    int check(int lines = -1) {
        _ZEV_checkStatus(&job, &lines, &status);
        return lines;
    }

    HostCallback host;
    int jobTag = 0;
    CPUProgressCallbackIntermediary job{&jobTag, -1.0f, -1};
    int status = 0;
};

TEST_F(CPUProgress, WithoutACallbackEveryStepIsTheWholeJob) {
    CPUProgressCallback::setCPUProgressCallback(nullptr);
    EXPECT_EQ(start(10.7f, 30.2f), 20);
    EXPECT_EQ(job.totalLines, 20);
    EXPECT_EQ(job.stepPercent, 100.0f);
    job.stepPercent = 3.0f;
    EXPECT_EQ(check(), 20);
    EXPECT_EQ(job.stepPercent, 100.0f);
    EXPECT_EQ(status, 0);
    // The bounds are truncated toward zero before the subtraction.
    EXPECT_EQ(start(-2.9f, 3.9f), 5);
    EXPECT_EQ(host.seenContext, nullptr);
}

TEST_F(CPUProgress, BatchSizesBecomeLinesPerStep) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Initial batch size, job bounds, lines per step. Tiny and NaN sizes,
    // and empty or reversed jobs, still advance one line at a time.
    const struct {
        float percent, first, last;
        int lines;
    } initial[] = {{50.0f, 0, 101, 51},     {25.0f, 0, 1080, 270}, {0.001f, 0, 10, 1},
                   {100.0f, 0, 1080, 1080}, {nan, 0, 1080, 1},     {10.0f, 5, 5, 1},
                   {10.0f, 9, 3, 1}};
    for (const auto& c : initial) {
        host.initial = c.percent;
        EXPECT_EQ(start(c.first, c.last), c.lines) << c.percent << " " << c.first << " " << c.last;
    }
    EXPECT_EQ(host.seenContext, &jobTag);

    // The size each report leaves sets the next step.
    host.initial = 10.0f;
    ASSERT_EQ(start(0, 1000), 100);
    EXPECT_EQ(job.stepPercent, 10.0f);
    const std::pair<float, int> reported[] = {{2.5f, 25}, {100.0f, 1000}, {1e-6f, 1}, {nan, 1}};
    for (const auto& [percent, lines] : reported) {
        host.next = percent;
        EXPECT_EQ(check(), lines) << percent;
    }
    host.next = 2.5f;
    check();
    EXPECT_EQ(job.stepPercent, 2.5f);
    EXPECT_EQ(status, 0);
}

TEST_F(CPUProgress, InitialBatchSizeOutsideTheRangeIsACallbackError) {
    for (const float bad : {0.0f, -5.0f, 150.0f, -std::numeric_limits<float>::infinity()}) {
        status = 0;
        host.initial = bad;
        EXPECT_EQ(start(0, 100), -1) << bad;
        EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR) << bad;
        EXPECT_EQ(job.stepPercent, bad);
        EXPECT_EQ(job.totalLines, 100);
    }
}

TEST_F(CPUProgress, CancellingAndBadBatchSizesSetTheirBits) {
    ASSERT_EQ(start(0, 200), 100);
    host.answer = 0;
    host.next = 20.0f;
    EXPECT_EQ(check(17), 0);
    EXPECT_EQ(status, CPU_STATUS_CANCELLED);

    // A bad batch size wins over the answer: the step is left alone.
    status = 0;
    host.next = 150.0f;
    EXPECT_EQ(check(17), 17);
    EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR);
    host.answer = 1;
    host.next = 0.0f;
    EXPECT_EQ(check(17), 17);
    EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR);
}

TEST_F(CPUProgress, NothingTheCallbackThrowsEscapes) {
    for (const auto kind : {HostCallback::Throw::StdException, HostCallback::Throw::Integer}) {
        host.throws = kind;
        status = 0;
        job.stepPercent = 42.0f;
        EXPECT_EQ(start(0, 100), -1);
        EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR);
        EXPECT_EQ(job.stepPercent, 42.0f);

        status = 0;
        EXPECT_EQ(check(9), 9);
        EXPECT_EQ(status, CPU_STATUS_CALLBACK_ERROR);
    }
}

TEST_F(CPUProgress, StatusBitsAccumulateAndAreNeverCleared) {
    status = CPU_STATUS_CANCELLED | 1;
    EXPECT_EQ(start(0, 100), 50);
    EXPECT_EQ(check(), 50);
    EXPECT_EQ(status, CPU_STATUS_CANCELLED | 1);

    host.throws = HostCallback::Throw::Integer;
    check();
    host.throws = HostCallback::Throw::Nothing;
    host.answer = 0;
    check();
    EXPECT_EQ(status, CPU_STATUS_CANCELLED | CPU_STATUS_CALLBACK_ERROR | 1);

    CPUProgressCallback::setCPUProgressCallback(nullptr);
    EXPECT_EQ(check(), 100);
    EXPECT_EQ(status, CPU_STATUS_CANCELLED | CPU_STATUS_CALLBACK_ERROR | 1);
}

}  // namespace
}  // namespace ZEV
