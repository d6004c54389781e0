#!/usr/bin/env bash
# Installs what is needed, builds, and runs the demo host zev-filter on its
# built-in test image. It writes zev-filter-out.png in the repository root;
# extra arguments go to zev-filter (see --help).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zev-filter
./build/examples/zev-filter "$@"
