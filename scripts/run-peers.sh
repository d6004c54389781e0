#!/usr/bin/env bash
# The peer report: installs Pillow, ImageMagick and numpy + scipy from Debian,
# builds zev-filter in Release, and times it against them on the built-in image
# and on a photograph (scripts/run_peers.py says how). Not a test: it prints a
# table. Extra arguments go to run_peers.py (--rounds N, --zev-filter PATH).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh python3-pil imagemagick python3-scipy python3-numpy
cmake -S . -B build-peers -DCMAKE_BUILD_TYPE=Release -DZEV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-peers --target zev-filter
# Debian's interpreter, where the packages above live.
/usr/bin/python3 scripts/run_peers.py --zev-filter build-peers/examples/zev-filter "$@"
