#!/usr/bin/env bash
# Installs what is needed, then runs the whole test suite twice: a normal
# build, and a build with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer, where any report fails the run. Finally the static checks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

echo "== normal build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitized build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEV_SANITIZE=ON \
      -DZEV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== static checks"
bash scripts/check-static.sh
