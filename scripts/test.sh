#!/usr/bin/env bash
# Builds and runs every test: a plain build, then AddressSanitizer with
# UndefinedBehaviorSanitizer, then ThreadSanitizer. Each build has its own directory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)

run() {  # run DIR [cmake options...]
  local dir=$1
  shift
  echo "==== $dir ===="
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
}

run build
ASAN_OPTIONS=detect_leaks=1 run build-asan -DSANITIZE=address,undefined -DBUILD_BENCHMARKS=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  run build-tsan -DSANITIZE=thread -DBUILD_BENCHMARKS=OFF
echo "All tests passed (plain, address+undefined, thread)."
