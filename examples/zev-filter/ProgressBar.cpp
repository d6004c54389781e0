// The terminal progress bar.
#include "ProgressBar.h"

#include <algorithm>
#include <mutex>
#include <ostream>

#include "Interrupt.h"

namespace ZevFilter {

namespace {

constexpr int kBarWidth = 40;
// A terminal redraws often; a log gets a line per quarter.
constexpr float kInteractiveStepPercent = 1.0f;
constexpr float kPlainStepPercent = 5.0f;
constexpr int kPlainLineEvery = 25;

int percentDone(const ProgressJob& job) {
    if (job.totalLines <= 0) return 100;
    return std::clamp(job.linesDone * 100 / job.totalLines, 0, 100);
}

}  // namespace

ProgressBar::ProgressBar(std::ostream& stream, bool interactive)
    : stream_(stream), interactive_(interactive) {}

float ProgressBar::initialStepPercent(void* /*callbackContext*/) {
    lastShown_ = -1;
    return interactive_ ? kInteractiveStepPercent : kPlainStepPercent;
}

int ProgressBar::reportProgress(void* callbackContext, float* /*stepPercent*/) {
    draw(*static_cast<const ProgressJob*>(callbackContext));
    return InterruptGuard::interrupted() ? 0 : 1;
}

void ProgressBar::draw(const ProgressJob& job) {
    const int percent = percentDone(job);
    if (interactive_) {
        if (percent == lastShown_) return;
        const int filled = percent * kBarWidth / 100;
        stream_ << '\r' << job.name << " [" << std::string(static_cast<size_t>(filled), '#')
                << std::string(static_cast<size_t>(kBarWidth - filled), '.') << "] " << percent
                << "%" << std::flush;
    } else {
        const int step = percent / kPlainLineEvery * kPlainLineEvery;
        if (step == 0 || step <= lastShown_) return;
        stream_ << job.name << ": " << step << "%\n" << std::flush;
        lastShown_ = step;
        return;
    }
    lastShown_ = percent;
}

void ProgressBar::finish(const ProgressJob& job, bool cancelled) {
    if (interactive_) stream_ << "\n";
    if (cancelled) stream_ << job.name << ": cancelled at " << percentDone(job) << "%\n";
    stream_ << std::flush;
}

ScopedProgressCallback::ScopedProgressCallback(ZEV::CPUProgressCallback& callback) {
    const std::lock_guard<ZEV::Mutex> lock(ZEV::CPUProgressCallback::getCPUProgressCallbackMutex());
    ZEV::CPUProgressCallback::setCPUProgressCallback(&callback);
}

ScopedProgressCallback::~ScopedProgressCallback() {
    const std::lock_guard<ZEV::Mutex> lock(ZEV::CPUProgressCallback::getCPUProgressCallbackMutex());
    ZEV::CPUProgressCallback::setCPUProgressCallback(nullptr);
}

}  // namespace ZevFilter
