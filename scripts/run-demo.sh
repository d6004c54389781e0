#!/usr/bin/env bash
# Installs what is needed, builds, and runs the demo host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target zev-hello
./build/examples/zev-hello
