#!/usr/bin/env bash
# Builds in Release and runs every Google Benchmark program in bench/, then
# prints one table: each operation, its time, its peer from the same run and
# the ratio, against the project's speed goals (bench/pairs.tsv).
# Extra arguments go to every benchmark program (e.g. --benchmark_min_time=0.05).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
command -v python3 >/dev/null || {
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get install -y -qq --no-install-recommends python3
}
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DZEV_BUILD_TESTS=OFF >/dev/null
cmake --build build-release -j "$(nproc)"
out=build-release/bench-results
rm -rf "$out" && mkdir -p "$out"
export MESA_SHADER_CACHE_DISABLE=true
for program in build-release/bench/*Bench; do
  name=$(basename "$program")
  echo "running $name" >&2
  "$program" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@" >&2
done
python3 scripts/bench_report.py bench/pairs.tsv "$out"/*.json
