#!/usr/bin/env bash
# Builds and runs every benchmark program in the given build folder, then
# times PROJ's cct applying the same NTv2 file to as many points, as the peer
# figure (cct includes reading and printing the text it passes).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
jobs=${JOBS:-2}

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target benchmarks -j "$jobs"

status=0
for program in "$build"/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_counters_tabular=true || status=1
done

grid=/usr/share/proj/CHENYX06.gsb
if command -v cct > /dev/null && [ -f "$grid" ]; then
  points=200000
  input=$(mktemp)
  trap 'rm -f "$input"' EXIT
  awk -v n=$points 'BEGIN { srand(1); for (i = 0; i < n; i++) printf "%.9f %.9f 0 0\n", 5.6 + rand() * 5.4, 45.8 + rand() * 2.2 }' > "$input"
  start=$(date +%s.%N)
  cct +proj=hgridshift +grids="$grid" < "$input" > /dev/null
  end=$(date +%s.%N)
  awk -v n=$points -v s="$start" -v e="$end" 'BEGIN { printf "== peer: cct hgridshift %s, %d points in %.3f s, %.0f points/s\n", "CHENYX06.gsb", n, e - s, n / (e - s) }'
  start=$(date +%s.%N)
  echo "8 47 0 0" | cct +proj=hgridshift +grids="$grid" > /dev/null
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "== peer: cct start, grid open and one point: %.1f ms\n", (e - s) * 1000 }'
fi
exit $status
