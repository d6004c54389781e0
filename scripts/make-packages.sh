#!/usr/bin/env bash
# Installs what is needed, then builds the Debian packages: a Release build
# installed under /usr, packed by cpack into libzev<soversion>, libzev-dev and
# zev-filter .deb files.
#   scripts/make-packages.sh [OUTPUT_DIR]   (default: packages/)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
output=$(realpath -m "${1:-packages}")
cmake -S . -B build-packages -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
      -DZEV_BUILD_TESTS=OFF -DZEV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-packages -j "$(nproc)"
cpack --config build-packages/CPackConfig.cmake -G DEB -B "$output"
rm -rf "$output/_CPack_Packages"
ls "$output"/*.deb
