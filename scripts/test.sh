#!/usr/bin/env bash
# Builds and runs every test: a plain Release build, then AddressSanitizer with
# UndefinedBehaviorSanitizer, then ThreadSanitizer, all with warnings as errors. Each build
# has its own directory.
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

# The plain build is the Release build a user makes, so it must build without warnings too.
run build -DCMAKE_BUILD_TYPE=Release -DDRIVER_PROC_WERROR=ON
ASAN_OPTIONS=detect_leaks=1 run build-asan -DSANITIZE=address,undefined -DBUILD_BENCHMARKS=OFF \
  -DDRIVER_PROC_WERROR=ON
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  run build-tsan -DSANITIZE=thread -DBUILD_BENCHMARKS=OFF -DDRIVER_PROC_WERROR=ON
echo "All tests passed (plain, address+undefined, thread)."
