#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each one for a
# bounded time (FUZZ_SECONDS, default 60) from the seeds under fuzz/corpus.
# Any crash, sanitizer report, leak or time-out fails the run; the input that
# caused it is left in build-fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
dir=${FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-2}

if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGEOLYNX_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
fi
cmake --build "$dir" --target fuzz_targets -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# target name -> seed folder
declare -A seeds=([fuzz_ntv2]=ntv2 [fuzz_nadcon]=nadcon)
failed=0
for target in fuzz_ntv2 fuzz_nadcon; do
  corpus="$dir/corpus/$target"
  artifacts="$dir/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp -n fuzz/corpus/"${seeds[$target]}"/* "$corpus"/
  echo "== $target for $seconds s"
  if ! "$dir/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" 2> "$dir/$target.log"; then
    tail -n 60 "$dir/$target.log"
    echo "== $target: finding, input saved in $artifacts"
    failed=1
  else
    grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb)" "$dir/$target.log" || true
    echo "== $target: no finding"
  fi
done
exit $failed
