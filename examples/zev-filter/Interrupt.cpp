// The SIGINT handler and its flag.
#include "Interrupt.h"

namespace ZevFilter {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void onInterrupt(int /*signal*/) { gInterrupted = 1; }

}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // Restart interrupted reads and writes: the flag is looked at between
    // batches of work, not by failing system calls.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

bool InterruptGuard::interrupted() { return gInterrupted != 0; }

}  // namespace ZevFilter
