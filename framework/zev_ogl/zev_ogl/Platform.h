// The small platform layer: which OpenGL context is current on this thread
// (EGL first, then GLX), and the clock source behind the shader manager's
// timing, which tests may replace with their own counter.
#pragma once

#include <cstdint>

#include "zev_core/Export.h"

namespace ZEV::Platform {

/// The current context's handle (EGLContext or GLXContext), or null when none is current.
ZEV_API void* currentGLContext();

/// A high-resolution counter with its frequency, and a millisecond tick count.
class ZEV_API ClockSource {
public:
    virtual ~ClockSource();
    /// Counts per second; false (or 0) when there is no such counter.
    virtual bool performanceFrequency(int64_t* frequency) = 0;
    /// The counter now, in units of performanceFrequency(); false when there is none.
    virtual bool performanceCounter(int64_t* count) = 0;
    /// Milliseconds since an arbitrary origin, wrapping at 2^32.
    virtual uint32_t tickCount() = 0;
};

/// The monotonic clock of the system: nanosecond counter, millisecond ticks.
ZEV_API ClockSource& monotonicClock();
/// The source in use now.
ZEV_API ClockSource& clockSource();
/// Puts source in use, borrowed: it must live until it is replaced. Null
/// restores the monotonic clock. Not synchronised with readers on other threads.
ZEV_API void setClockSource(ClockSource* source);

}  // namespace ZEV::Platform
