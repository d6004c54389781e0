// The installed progress callback and the two reporting functions. Nothing the
// callback throws leaves these functions: it becomes CPU_STATUS_CALLBACK_ERROR.
#include "image_runtime/CPUProgressCallback.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ZEV {

// Constant-initialised, so usable before and during static construction.
CPUProgressCallback* CPUProgressCallback::pCallbackMechanism_ = nullptr;
Mutex CPUProgressCallback::callbackMutex_;

CPUProgressCallback::~CPUProgressCallback() = default;

CPUProgressCallback* CPUProgressCallback::getCPUProgressCallback() { return pCallbackMechanism_; }

void CPUProgressCallback::setCPUProgressCallback(CPUProgressCallback* callback) {
    pCallbackMechanism_ = callback;
}

Mutex& CPUProgressCallback::getCPUProgressCallbackMutex() { return callbackMutex_; }

namespace {

// Written with <= and > so that a NaN batch size passes; linesFrom then
// gives it one line per step.
bool outsideRange(float stepPercent) { return stepPercent <= 0.0f || stepPercent > 100.0f; }

// max(1, (int)ceil(lines)), with the conversions that C++ leaves undefined
// made explicit: NaN gives 1, counts beyond the int range give INT_MAX.
int linesFrom(float lines) {
    if (!(lines > 1.0f)) return 1;
    const float rounded = std::ceil(lines);
    return rounded < 2147483648.0f ? static_cast<int>(rounded) : 2147483647;
}

// Single precision throughout, 0.01 as the nearest float: 100 percent gives
// exactly totalLines.
int linesPerStepFor(float stepPercent, int totalLines) {
    return linesFrom(static_cast<float>(totalLines) * (stepPercent * 0.01f));
}

// (int)bounds[3] - (int)bounds[2], each bound truncated toward zero, but
// without the undefined conversions and overflow: bounds beyond the int range
// count as its ends, NaN as 0, and the difference is clamped to the range.
int lineCount(const float* bounds) {
    using Limits = std::numeric_limits<int>;
    const auto truncated = [](float bound) -> int64_t {
        if (std::isnan(bound)) return 0;
        return static_cast<int64_t>(std::clamp<double>(std::trunc(static_cast<double>(bound)),
                                                       Limits::min(), Limits::max()));
    };
    const int64_t lines = truncated(bounds[3]) - truncated(bounds[2]);
    return static_cast<int>(std::clamp<int64_t>(lines, Limits::min(), Limits::max()));
}

void processWithoutCallback(CPUProgressCallbackIntermediary* intermediary, int* linesPerStep) {
    intermediary->stepPercent = 100.0f;
    *linesPerStep = intermediary->totalLines;
}

}  // namespace

void _ZEV_initialNumberOfLines(float* bounds, CPUProgressCallbackIntermediary* intermediary,
                               int* status, int* linesPerStep) noexcept {
    intermediary->totalLines = lineCount(bounds);

    CPUProgressCallback* const callback = CPUProgressCallback::getCPUProgressCallback();
    if (callback == nullptr) {
        processWithoutCallback(intermediary, linesPerStep);
        return;
    }

    float stepPercent;
    try {
        stepPercent = callback->initialStepPercent(intermediary->callbackContext);
    } catch (...) {
        *status |= CPU_STATUS_CALLBACK_ERROR;
        return;
    }
    intermediary->stepPercent = stepPercent;
    if (outsideRange(stepPercent)) {
        *status |= CPU_STATUS_CALLBACK_ERROR;
        return;
    }
    *linesPerStep = linesPerStepFor(stepPercent, intermediary->totalLines);
}

void _ZEV_checkStatus(CPUProgressCallbackIntermediary* intermediary, int* linesPerStep,
                      int* status) noexcept {
    CPUProgressCallback* const callback = CPUProgressCallback::getCPUProgressCallback();
    if (callback == nullptr) {
        processWithoutCallback(intermediary, linesPerStep);
        return;
    }

    int goOn;
    try {
        goOn = callback->reportProgress(intermediary->callbackContext, &intermediary->stepPercent);
    } catch (...) {
        *status |= CPU_STATUS_CALLBACK_ERROR;
        return;
    }
    // A bad batch size outweighs the answer: the callback is broken.
    if (outsideRange(intermediary->stepPercent)) {
        *status |= CPU_STATUS_CALLBACK_ERROR;
        return;
    }
    if (goOn == 0) {
        *linesPerStep = 0;
        *status |= CPU_STATUS_CANCELLED;
        return;
    }
    *linesPerStep = linesPerStepFor(intermediary->stepPercent, intermediary->totalLines);
}

}  // namespace ZEV
