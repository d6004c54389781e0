#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need.
# Does nothing when they are all present already. Further package names given
# as arguments are installed the same way.
set -euo pipefail
packages=(g++ cmake make pkg-config libboost-dev libepoxy-dev libegl-dev libgl-dev
          libegl-mesa0 libgl1-mesa-dri libgtest-dev libbenchmark-dev libpng-dev libopenexr-dev
          clang-format clang-tidy dpkg-dev file doxygen "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
