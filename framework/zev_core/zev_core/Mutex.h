// A four-byte spin lock that is usable zero-initialised in static storage,
// before any constructor has run.
#pragma once

#include <atomic>

#include "zev_core/Export.h"

namespace ZEV {

/// Not recursive: a thread that locks it twice waits forever.
class ZEV_API Mutex {
public:
    constexpr Mutex() noexcept : state_(0) {}
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    /// Spins, yielding the processor between tries, until the lock is taken.
    void lock() noexcept;
    /// Takes the lock if it is free; true when it did.
    bool tryLock() noexcept;
    /// Frees the lock, whoever holds it.
    void unlock() noexcept;

private:
    std::atomic<int> state_;
};

static_assert(sizeof(Mutex) <= 4, "Mutex fits in four bytes");

}  // namespace ZEV
