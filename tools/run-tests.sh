#!/usr/bin/env bash
# Runs the whole suite in the normal build and in the sanitizer build.
set -euo pipefail
normal=$1; asan=$2; jobs=${3:-2}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$(pwd)/tools/lsan.supp
for dir in "$normal" "$asan"; do
  start=$(date +%s)
  echo "== tests in $dir"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure --timeout 600
  echo "== tests in $dir took $(( $(date +%s) - start )) s"
done
