// The four-byte mutex: usable zero-initialised in static storage, excludes.
#include "zev_core/Mutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace ZEV {
namespace {

Mutex gStaticMutex;  // zero-initialised, no constructor needed before use

TEST(Mutex, ExcludesConcurrentHolders) {
    long counter = 0;
    const auto count = [&] {
        for (int n = 0; n < 40000; ++n) {
            gStaticMutex.lock();
            ++counter;
            gStaticMutex.unlock();
        }
    };
    gStaticMutex.lock();
    // The other thread's first lock() waits for this one's unlock().
    std::thread other(count);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(counter, 0);
    gStaticMutex.unlock();
    count();
    other.join();
    EXPECT_EQ(counter, 80000);
}

}  // namespace
}  // namespace ZEV
