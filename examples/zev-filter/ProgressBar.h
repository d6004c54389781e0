// The host's CPU progress callback: a terminal progress bar for long CPU
// passes (plain lines when the stream is not a terminal), which answers
// "cancel" once Ctrl-C was pressed.
#pragma once

#include <iosfwd>
#include <string>

#include "image_runtime/CPUProgressCallback.h"

namespace ZevFilter {

// What the processing code hands to the callback as its context.
struct ProgressJob {
    std::string name;
    int linesDone = 0;
    int totalLines = 0;
};

class ProgressBar : public ZEV::CPUProgressCallback {
public:
    ProgressBar(std::ostream& stream, bool interactive);

    int reportProgress(void* callbackContext, float* stepPercent) override;
    float initialStepPercent(void* callbackContext) override;

    // Ends the job's output: the bar's line, or the line saying it was cancelled.
    void finish(const ProgressJob& job, bool cancelled);

private:
    void draw(const ProgressJob& job);

    std::ostream& stream_;
    bool interactive_;
    int lastShown_ = -1;
};

// Installs a callback for the runtime's CPU work and removes it again.
class ScopedProgressCallback {
public:
    explicit ScopedProgressCallback(ZEV::CPUProgressCallback& callback);
    ~ScopedProgressCallback();
    ScopedProgressCallback(const ScopedProgressCallback&) = delete;
    ScopedProgressCallback& operator=(const ScopedProgressCallback&) = delete;
};

}  // namespace ZevFilter
