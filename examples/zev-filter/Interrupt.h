// Ctrl-C as a request to stop: while an InterruptGuard lives, SIGINT only
// sets a flag, which the progress callback turns into a cancellation.
#pragma once

#include <csignal>

namespace ZevFilter {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once SIGINT arrived while a guard was installed.
    static bool interrupted();

private:
    struct sigaction previous_ {};
};

}  // namespace ZevFilter
