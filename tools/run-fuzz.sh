#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for a
# bounded time (FUZZ_SECONDS, default 60) from the seeds under fuzz/corpus.
# FUZZ_SECONDS=0 runs each target over its seeds once, no further: the
# test command does so, so that a target that no longer builds or fails on
# its seeds is seen at once.
# Any crash, sanitizer report, leak or time-out fails the run; the input that
# caused it is left in build-fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
dir=${FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-2}

if [ ! -f "$dir/build.ninja" ]; then
  # The module libraries the targets link (engine, catalogue) carry the
  # sanitizers too, so what a reader hands them is checked as well.
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEOLYNX_FUZZ=ON -DGEOLYNX_SANITIZE=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build "$dir" --target fuzz_targets -j "$jobs"

# The targets write their inputs to scratch files; memory-backed when possible.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "$PWD/$dir")/geolynx-fuzz-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# target name -> seed folder (fuzz/make-seeds.py writes all but the grids')
declare -A seeds=([fuzz_ntv2]=ntv2 [fuzz_nadcon]=nadcon [fuzz_configuration]=configuration
  [fuzz_shapefile]=shapefile [fuzz_text]=text [fuzz_connection_string]=connection_string
  [fuzz_database_value]=database_value
  [fuzz_prj]=prj
  [fuzz_notation]=notation
  [fuzz_gtx]=gtx [fuzz_geotiff]=geotiff)
targets=${FUZZ_TARGETS:-"fuzz_ntv2 fuzz_nadcon fuzz_configuration fuzz_shapefile fuzz_text fuzz_connection_string fuzz_database_value fuzz_prj fuzz_notation fuzz_gtx fuzz_geotiff"}
failed=0
for target in $targets; do
  corpus="$dir/corpus/$target"
  artifacts="$dir/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/"${seeds[$target]}"/* "$corpus"/
  if [ "$seconds" = 0 ]; then echo "== $target over its seeds"; else echo "== $target for $seconds s"; fi
  if [ "$seconds" = 0 ]; then limit=(-runs=0); else limit=(-max_total_time="$seconds"); fi
  if ! "$dir/bin/$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" 2> "$dir/$target.log"; then
    tail -n 60 "$dir/$target.log"
    echo "== $target: finding, input saved in $artifacts"
    failed=1
  else
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)" "$dir/$target.log" || true
    # The last status line carries the coverage: "cov:" edges, "ft:" features.
    grep -E "#[0-9]+.*cov: " "$dir/$target.log" | tail -n 1 || true
    echo "== $target: no finding"
  fi
done
exit $failed
