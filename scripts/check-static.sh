#!/usr/bin/env bash
# Static checks of the project's own sources: formatting with the
# repository's .clang-format, and clang-tidy with its .clang-tidy files
# (needs build/compile_commands.json, which the normal build writes).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t sources < <(git ls-files '*.h' '*.cpp')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format: ${#sources[@]} files clean"
mapfile -t units < <(git ls-files '*.cpp')
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p build --quiet 2>&1 \
  | grep -E 'warning:|error:' | sort -u > build/clang-tidy.log || true
if [ -s build/clang-tidy.log ]; then
  cat build/clang-tidy.log
  echo "clang-tidy: findings above"
  exit 1
fi
echo "clang-tidy: ${#units[@]} files clean"
