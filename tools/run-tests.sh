#!/usr/bin/env bash
# Builds and runs the whole suite twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build; then builds the fuzz
# targets with clang and runs each over its seeds once. Prints each phase's time.
set -euo pipefail
normal=${1:-build}; asan=${2:-build-asan}; jobs=${3:-2}

phase() {
  local name=$1; shift
  local start=$SECONDS
  echo "== $name"
  "$@"
  echo "== $name took $(( SECONDS - start )) s"
}

configure() {
  local dir=$1; shift
  [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@"
}

phase "bootstrap" tools/bootstrap.sh
phase "configure $normal" configure "$normal" -DCMAKE_BUILD_TYPE=RelWithDebInfo
phase "build $normal" cmake --build "$normal" -j "$jobs"
phase "configure $asan" configure "$asan" -DCMAKE_BUILD_TYPE=Debug -DGEOLYNX_SANITIZE=ON
phase "build $asan" cmake --build "$asan" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/lsan.supp
phase "tests in $normal" ctest --test-dir "$normal" -j "$jobs" --output-on-failure --timeout 600
phase "tests in $asan" ctest --test-dir "$asan" -j "$jobs" --output-on-failure --timeout 900
if command -v clang++ >/dev/null 2>&1; then
  phase "fuzz targets over their seeds" env FUZZ_SECONDS=0 JOBS="$jobs" tools/run-fuzz.sh
else
  echo "== fuzz targets: SKIPPED, clang++ is not installed"
fi
