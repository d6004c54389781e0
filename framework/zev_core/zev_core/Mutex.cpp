// The spin lock's operations; waiters yield the processor between tries.
#include "zev_core/Mutex.h"

#include <thread>

namespace ZEV {

void Mutex::lock() noexcept {
    while (!tryLock()) std::this_thread::yield();
}

bool Mutex::tryLock() noexcept {
    int expected = 0;
    return state_.compare_exchange_strong(expected, 1, std::memory_order_acquire);
}

void Mutex::unlock() noexcept { state_.store(0, std::memory_order_release); }

}  // namespace ZEV
