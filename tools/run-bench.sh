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
# Each program's output is kept for the summary at the end.
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
for program in "$build"/bin/bench_*; do
  [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_counters_tabular=true | tee "$logs/$(basename "$program").txt" || status=1
done

grid=/usr/share/proj/CHENYX06.gsb
if command -v cct > /dev/null && [ -f "$grid" ]; then
  points=200000
  input="$logs/cct-input"
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
# Command-line pipe mode against cs2cs: a million points from WGS 84 to UTM
# zone 31N, wall and processor time, peak memory and agreement.
cli="$build/bin/geolynx-cli"
[ -x "$cli" ] && bash bench/stream/stream_bench.sh "$build" | tee "$logs/stream.txt" || status=1
# The same stream with heights above EGM96 on one side, against cs2cs.
[ -x "$cli" ] && bash bench/geoid/geoid_stream_bench.sh "$build" | tee "$logs/geoid-stream.txt" || status=1
# Table conversion against pyproj (SQLite) and PostGIS (PostgreSQL) on a
# 1,000,000-row table. Its peers are installed here, for the benchmark only.
bench_packages=(python3-pyproj postgresql-15-postgis-3)
bench_missing=()
for p in "${bench_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || bench_missing+=("$p")
done
if [ ${#bench_missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "run-bench: installing ${bench_missing[*]} for the table benchmark"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${bench_missing[@]}" > /dev/null ||
    { $sudo apt-get update -q > /dev/null && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${bench_missing[@]}" > /dev/null; } || true
fi
/usr/bin/python3 bench/table/table_bench.py "$build" || status=1

# The three throughput ratios side by side, each measured in one run against
# its peer on the same data. Processor time is the fair figure on a machine
# shared with other work; wall time shows what the cores add.
echo "== summary: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ -f "$logs/stream.txt" ]; then
  awk '/stream throughput ratio/ { printf "  convert stream vs cs2cs:      processor %6.2f x  wall %6.2f x  (target 20 x)\n", $6, $9 }' "$logs/stream.txt"
fi
batch_log="$logs/bench_BatchConversionBench.txt"
if [ -f "$batch_log" ]; then
  awk '/^CSV/ { job = "batch text vs cs2cs:        "; target = 10 }
       /^Shapefile/ { job = "batch shapefile vs ogr2ogr: "; target = 4 }
       /^  wall:/ { wall = $NF }
       /^  processor:/ { for (i = 1; i <= NF; ++i) if ($i == "ratio") ratio = $(i + 1);
                         printf "  %s processor %6.2f x  wall %6.2f x  (target %d x)\n", job, ratio, wall, target }
       /same bytes on every thread/ { printf "    same bytes as one thread: %s\n", $NF }' "$batch_log"
fi
exit $status
