// Progress reporting and cancellation for long CPU work. The host installs
// one process-wide CPUProgressCallback; processing code keeps a
// CPUProgressCallbackIntermediary per job and calls _ZEV_initialNumberOfLines
// before the first batch of lines and _ZEV_checkStatus after each batch.
#pragma once

#include "zev_core/Export.h"
#include "zev_core/Mutex.h"

namespace ZEV {

// Bits OR-ed into the caller's status word; they are never cleared here.
constexpr int CPU_STATUS_CANCELLED = 8;        ///< the callback asked to cancel
constexpr int CPU_STATUS_CALLBACK_ERROR = 16;  ///< it threw, or its batch size is outside (0, 100]

/// The host's progress hook, derived from and installed by the host.
class ZEV_API CPUProgressCallback {
public:
    CPUProgressCallback() = default;
    CPUProgressCallback(const CPUProgressCallback&) = default;
    CPUProgressCallback& operator=(const CPUProgressCallback&) = default;
    virtual ~CPUProgressCallback();

    /// Called after each batch with the job's context, on the processing
    /// thread. Returns non-zero to go on, 0 to cancel; may change
    /// `*stepPercent`, the size of the next batches in percent of all lines.
    /// Anything it throws is caught and becomes CPU_STATUS_CALLBACK_ERROR.
    virtual int reportProgress(void* callbackContext, float* stepPercent) = 0;
    /// Called once before the first batch: the batch size in percent of all lines.
    virtual float initialStepPercent(void* callbackContext) = 0;

    /// The installed callback (not owned), or null.
    static CPUProgressCallback* getCPUProgressCallback();
    /// Installs callback, borrowed: the host keeps it alive until it is removed.
    /// Null removes it; the previous one is not deleted.
    static void setCPUProgressCallback(CPUProgressCallback* callback);
    /// For hosts to serialise installing the callback with its use; nothing here locks it.
    static Mutex& getCPUProgressCallbackMutex();

private:
    static CPUProgressCallback* pCallbackMechanism_;
    static Mutex callbackMutex_;
};

/// The processing code's record of one job.
struct CPUProgressCallbackIntermediary {
    /// Passed unchanged to both callback operations. A pointer, so that the
    /// processing code can hand its own job object through; not owned.
    void* callbackContext;
    float stepPercent;  ///< batch size in percent of all lines, valid in (0, 100]
    int totalLines;
};

/// Sets totalLines from the vertical extent bounds[2]..bounds[3] and
/// `*linesPerStep` from the callback's initial batch size (all lines when no
/// callback is installed).
ZEV_API void _ZEV_initialNumberOfLines(float* bounds, CPUProgressCallbackIntermediary* intermediary,
                                       int* status, int* linesPerStep) noexcept;

/// Reports progress after a batch and sets `*linesPerStep` for the next one
/// (0 when cancelled). Note that status comes last here.
ZEV_API void _ZEV_checkStatus(CPUProgressCallbackIntermediary* intermediary, int* linesPerStep,
                              int* status) noexcept;

}  // namespace ZEV
