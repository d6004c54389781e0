// A four-byte spin lock that is usable zero-initialised in static storage,
// before any constructor has run.
#pragma once

#include <atomic>

#include "zev_core/Export.h"

namespace ZEV {

class ZEV_API Mutex {
public:
    constexpr Mutex() noexcept : state_(0) {}
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock() noexcept;
    bool tryLock() noexcept;
    void unlock() noexcept;

private:
    std::atomic<int> state_;
};

static_assert(sizeof(Mutex) <= 4, "Mutex fits in four bytes");

}  // namespace ZEV
