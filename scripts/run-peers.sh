#!/usr/bin/env bash
# The peer report: installs Pillow, ImageMagick and numpy + scipy from Debian,
# builds zev-filter in Release, and times it against them on the built-in image
# and on a photograph (scripts/run_peers.py says how). Not a test: it prints a
# table. Extra arguments go to run_peers.py (--rounds N, --zev-filter PATH).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
peers=(python3-pil imagemagick python3-scipy python3-numpy)
missing=()
for p in "${peers[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cmake -S . -B build-peers -DCMAKE_BUILD_TYPE=Release -DZEV_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-peers --target zev-filter
# Debian's interpreter, where the packages above live.
/usr/bin/python3 scripts/run_peers.py --zev-filter build-peers/examples/zev-filter "$@"
