// Ctrl-C, SIGTERM and SIGHUP as requests to stop. While an InterruptGuard
// lives, such a signal only sets a flag, which the frame loop and the
// progress callback turn into a cancellation. Inside an ExitOnInterrupt
// scope, where the program may wait on a file for ever (a pipe, a slow
// device) or has a half-written output, a signal ends the program at once
// instead: it removes the temporary output file, if any, says so and exits
// with 128 + the signal's number.
#pragma once

#include <csignal>
#include <iterator>

namespace ZevFilter {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once a signal arrived while a guard was installed.
    static bool interrupted();
    // 128 + the number of the signal that arrived: 130 for Ctrl-C, 143 for SIGTERM.
    static int exitStatus();

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

private:
    struct sigaction previous_[std::size(kSignals)]{};
};

// Exits at once, as above, when a signal arrived before the scope or comes
// during it.
class ExitOnInterrupt {
public:
    ExitOnInterrupt();
    ~ExitOnInterrupt();
    ExitOnInterrupt(const ExitOnInterrupt&) = delete;
    ExitOnInterrupt& operator=(const ExitOnInterrupt&) = delete;
};

// The temporary output file that a signal removes; nullptr for none. The
// path is copied (it must be shorter than PATH_MAX).
void setTemporaryFile(const char* path);

// Blocks the signals in the calling thread for the scope. Threads started
// meanwhile (the GL driver's) inherit the mask, so the signals are then
// taken by the main thread, which is the one that has files to clean up.
class SignalsBlocked {
public:
    SignalsBlocked();
    ~SignalsBlocked();
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_{};
};

}  // namespace ZevFilter
