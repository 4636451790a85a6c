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
# Command-line pipe mode against cs2cs: the same million points from WGS 84 to
# UTM zone 31N (cs2cs reads latitude first for EPSG:4326). Wall and CPU time
# of each (medians of three), and the ratio of throughputs.
cli="$build/bin/geolynx-cli"
if [ -x "$cli" ] && command -v cs2cs > /dev/null; then
  points=${PIPE_POINTS:-1000000}
  work=$(mktemp -d)
  export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
  export XDG_CONFIG_DIRS="$work/etc"
  awk -v n="$points" 'BEGIN { srand(7); for (i = 0; i < n; i++) printf "%.9f %.9f\n", rand() * 6, 40 + rand() * 20 }' > "$work/lonlat"
  awk '{ print $2, $1 }' "$work/lonlat" > "$work/latlon"
  "$cli" convert --from 4326 --to 32631 0 0 > /dev/null # first use copies the catalogue
  # Three runs of each, taken in turn so that both see the same load; the
  # median wall and processor times of each are compared (one run on a shared
  # machine varies by a tenth either way).
  TIMEFORMAT='%R %U %S'
  ours="" peer=""
  for run in 1 2 3; do
    ours+=$( { time "$cli" convert --from 4326 --to 32631 < "$work/lonlat" > "$work/ours"; } 2>&1 )$'\n'
    peer+=$( { time cs2cs -f %.4f EPSG:4326 EPSG:32631 < "$work/latlon" > "$work/peer"; } 2>&1 )$'\n'
  done
  median() { sort -n | sed -n 2p; }
  ours="$(awk 'NF { print $1 }' <<< "$ours" | median) $(awk 'NF { print $2 + $3, 0 }' <<< "$ours" | median)"
  peer="$(awk 'NF { print $1 }' <<< "$peer" | median) $(awk 'NF { print $2 + $3, 0 }' <<< "$peer" | median)"
  awk -v n="$points" -v o="$ours" -v p="$peer" 'BEGIN {
    split(o, a, " "); split(p, b, " ");
    printf "== geolynx-cli convert 4326 -> 32631: %d points, wall %.2f s, cpu %.2f s, %.0f points/s (cpu)\n", n, a[1], a[2] + a[3], n / (a[2] + a[3]);
    printf "== peer: cs2cs EPSG:4326 EPSG:32631: %d points, wall %.2f s, cpu %.2f s, %.0f points/s (cpu)\n", n, b[1], b[2] + b[3], n / (b[2] + b[3]);
    printf "== throughput ratio (cpu): %.1f x, (wall): %.1f x\n", (b[2] + b[3]) / (a[2] + a[3]), b[1] / a[1] }' |
    tee "$logs/stream.txt"
  # Both must agree to the printed tenth of a millimetre.
  paste "$work/ours" "$work/peer" | awk '{ dx = $1 - $4; dy = $2 - $5; if (dx < 0) dx = -dx; if (dy < 0) dy = -dy;
    if (dx > m) m = dx; if (dy > m) m = dy } END { printf "== largest difference from cs2cs: %.4f m\n", m }'
  rm -rf "$work"
fi
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
  awk '/throughput ratio/ { printf "  convert stream vs cs2cs:      processor %6.2f x  wall %6.2f x  (target 20 x)\n", $5, $8 }' "$logs/stream.txt"
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
