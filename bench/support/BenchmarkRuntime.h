// The main of a GL benchmark program: the runtime set up as a host has it
// (a drawing context, a second one in its share group for the texture pool,
// the pool), the benchmarks run, and everything torn down again.
#pragma once

#include <functional>

namespace ZEV::Support {

// Runs the registered benchmarks inside the set-up; `run` may wrap the
// call to benchmark::RunSpecifiedBenchmarks with objects of its own.
int runBenchmarksWithPool(int argc, char** argv, const char* program,
                          const std::function<void()>& run);
int runBenchmarksWithPool(int argc, char** argv, const char* program);

}  // namespace ZEV::Support
