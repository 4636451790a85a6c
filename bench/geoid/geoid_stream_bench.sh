#!/usr/bin/env bash
# The command-line stream with heights above EGM96 on the destination side
# against cs2cs doing the same (EPSG:4979 to EPSG:4326+5773, latitude first
# for cs2cs) on the same points over the globe. Medians of three runs of
# each, taken in turn; the heights of both must agree to the printed 0.1 mm.
# bench/geoid/geoid_stream_bench.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
command -v cs2cs > /dev/null || { echo "geoid stream bench: cs2cs (proj-bin) is missing"; exit 1; }
source bench/stream/scratch.sh
awk -v n="$points" 'BEGIN { srand(5773); for (i = 0; i < n; i++)
  printf "%.9f %.9f %.3f\n", -180 + rand() * 360, -89 + rand() * 178, rand() * 3000 }' > "$work/lonlat"
awk '{ print $2, $1, $3 }' "$work/lonlat" > "$work/latlon"
"$cli" convert --from 4326 --to 4326+5773 0 0 > /dev/null # first use copies the catalogue

TIMEFORMAT='%R %U %S'
ours="" peer=""
for run in 1 2 3; do
  ours+=$( { time "$cli" convert --from 4326 --to 4326+5773 < "$work/lonlat" > "$work/ours"; } 2>&1 )$'\n'
  peer+=$( { time cs2cs -f %.4f EPSG:4979 EPSG:4326+5773 < "$work/latlon" > "$work/peer"; } 2>&1 )$'\n'
done
median() { sort -n | sed -n 2p; }
ours="$(awk 'NF { print $1 }' <<< "$ours" | median) $(awk 'NF { print $2 + $3 }' <<< "$ours" | median)"
peer="$(awk 'NF { print $1 }' <<< "$peer" | median) $(awk 'NF { print $2 + $3 }' <<< "$peer" | median)"
awk -v n="$points" -v o="$ours" -v p="$peer" 'BEGIN {
  split(o, a, " "); split(p, b, " ");
  printf "== geolynx-cli convert 4326 -> 4326+5773: %d points, wall %.2f s, cpu %.2f s, %.0f points/s (cpu)\n", n, a[1], a[2], n / a[2];
  printf "== peer: cs2cs EPSG:4979 EPSG:4326+5773: %d points, wall %.2f s, cpu %.2f s, %.0f points/s (cpu)\n", n, b[1], b[2], n / b[2];
  printf "== geoid stream throughput ratio (cpu): %.1f x, (wall): %.1f x (target 10 x)\n", b[2] / a[2], b[1] / a[1] }'
paste "$work/ours" "$work/peer" | awk '{ d = $3 - $6; if (d < 0) d = -d; if (d > m) m = d }
  END { printf "== largest height difference from cs2cs: %.4f m\n", m }'
