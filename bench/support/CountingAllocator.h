// A replacement of the global operator new and delete that counts every
// allocation of the program, so that benchmarks and tests can check that a
// stretch of code allocates nothing. Link zev_counting_allocator only into
// programs that want it.
#pragma once

namespace ZEV::Support {

// The number of allocations through operator new so far.
long allocationCount();

}  // namespace ZEV::Support
