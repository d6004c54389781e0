// The signal handler and its state, all of it async-signal-safe: flags of
// sig_atomic_t and a fixed buffer for the temporary file's path.
#include "Interrupt.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <iterator>

namespace ZevFilter {

namespace {

volatile std::sig_atomic_t gSignal = 0;
volatile std::sig_atomic_t gExitAtOnce = 0;
volatile std::sig_atomic_t gHasTemporary = 0;
char gTemporary[PATH_MAX] = {};

[[noreturn]] void exitNow(int signal) {
    if (gHasTemporary != 0) unlink(gTemporary);
    static const char kMessage[] = "zev-filter: cancelled; nothing written\n";
    // Nothing to do when stderr is gone: the exit status tells as much.
    if (write(STDERR_FILENO, kMessage, sizeof kMessage - 1) < 0) _exit(128 + signal);
    _exit(128 + signal);
}

void onSignal(int signal) {
    gSignal = signal;
    if (gExitAtOnce != 0) exitNow(signal);
}

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : InterruptGuard::kSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    action.sa_mask = stopSignals();
    // Restart interrupted reads and writes: outside ExitOnInterrupt scopes
    // the flag is looked at between batches of work, not by failing calls.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptGuard::~InterruptGuard() {
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

bool InterruptGuard::interrupted() { return gSignal != 0; }

int InterruptGuard::exitStatus() { return 128 + gSignal; }

ExitOnInterrupt::ExitOnInterrupt() {
    gExitAtOnce = 1;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (gSignal != 0) exitNow(gSignal);
}

ExitOnInterrupt::~ExitOnInterrupt() { gExitAtOnce = 0; }

void setTemporaryFile(const char* path) {
    gHasTemporary = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (path == nullptr || std::strlen(path) >= sizeof gTemporary) return;
    std::memcpy(gTemporary, path, std::strlen(path) + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    gHasTemporary = 1;
}

SignalsBlocked::SignalsBlocked() {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
}

SignalsBlocked::~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

}  // namespace ZevFilter
