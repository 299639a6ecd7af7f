#!/usr/bin/env bash
# Installs what is missing, builds a Release and an ASan+UBSan configuration
# with warnings as errors, and runs every test in both.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"
scripts/install-deps.sh

jobs="$(nproc)"
summaries=()

run_config() {
  local name="$1"
  shift
  cmake -S . -B "build/$name" -DQUORVEL_WERROR=ON "$@"
  cmake --build "build/$name" -j "$jobs"
  local log="build/$name/ctest.log"
  local status=0
  ctest --test-dir "build/$name" --output-on-failure -j "$jobs" 2>&1 | tee "$log" || status=$?
  summaries+=("$name: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
  return "$status"
}

status=0
run_config release -DCMAKE_BUILD_TYPE=Release || status=1
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_config sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_SANITIZE=address,undefined \
  -DQUORVEL_BUILD_BENCHMARKS=OFF || status=1

echo
echo "Summary:"
printf '  %s\n' "${summaries[@]}"
exit "$status"
